#include "NcidXelto.h"

NcidXelto::NcidXelto(std::unique_ptr<NcidLink> link)
    : m_link(std::move(link))
{
    connect(m_link.get(), &NcidLink::callArrived, this,
        [this](int line, const QString& number, const QString& dateTime, const QString& name) {
            fireCallerID(m_link->address(), QString::number(line), number, dateTime, name);
        });
    connect(m_link.get(), &NcidLink::presenceChanged, this,
        [this](bool present) { onPresenceChanged(present); });
    connect(m_link.get(), &NcidLink::logLine, this, [this](const QString& text) { logLine(text); });
}

NcidXelto::~NcidXelto()
{
    m_link->disconnect(this);
}

HRESULT NcidXelto::Start()
{
    m_link->start();
    // A control handed over by `auto` is connected before it is started.
    if (m_link->present())
        fireSignal({});
    return hr::S_OK;
}

HRESULT NcidXelto::ServiceAction()
{
    return hr::S_OK;
}

HRESULT NcidXelto::Command(const QString& keyword, QString* result)
{
    if (!result)
        return hr::E_POINTER;
    result->clear();
    if (keyword == QLatin1String("devicemodel")) {
        *result = m_link->model();
        return hr::S_OK;
    }
    if (keyword == QLatin1String("serial")) {
        if (m_link->present())
            *result = m_link->address();
        return hr::S_OK;
    }
    if (keyword.startsWith(QLatin1String("LineStatus"))
        || keyword.startsWith(QLatin1String("dial")))
        SetErrorInfo(
            QStringLiteral("NCID sunucusu hat komutlarını desteklemiyor: \"%1\" gönderilemedi")
                .arg(keyword));
    else
        SetErrorInfo(QStringLiteral("Bilinmeyen komut: \"%1\"").arg(keyword));
    return hr::E_FAIL;
}

void NcidXelto::onPresenceChanged(bool present)
{
    // No line voltage reaches a network client: the meters show 0, not the last device's levels.
    if (present)
        fireSignal({});
    emit deviceChanged();
}

NcidCandidate::NcidCandidate(QString host, quint16 port, DeviceTimerFactory timers)
    : m_host(std::move(host))
    , m_port(port)
    , m_timers(std::move(timers))
{
}

NcidCandidate::~NcidCandidate() = default;

void NcidCandidate::startSearch(Found found)
{
    if (m_link)
        return;
    m_link = std::make_unique<NcidLink>(m_host, m_port, nullptr, m_timers, m_backoff);
    m_link->setQuietWhenUnreachable(true);
    connect(m_link.get(), &NcidLink::presenceChanged, this, [this, found](bool present) {
        if (!present || !m_link)
            return;
        // The connection goes with the control: the server has greeted it already.
        m_link->disconnect(this);
        found(std::make_unique<NcidXelto>(std::move(m_link)));
    });
    m_link->start();
}

void NcidCandidate::stopSearch()
{
    m_link.reset();
}
