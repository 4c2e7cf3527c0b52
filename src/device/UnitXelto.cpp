#include "UnitXelto.h"

UnitXelto::UnitXelto(std::unique_ptr<UnitSource> source)
    : m_source(std::move(source))
{
    m_source->setParent(nullptr);
    connect(m_source.get(), &UnitSource::record, this,
        [this](const QString& unit, const UnitRecord& record) { onRecord(unit, record); });
    connect(m_source.get(), &UnitSource::presenceChanged, this,
        [this](bool present) { onPresenceChanged(present); });
    connect(
        m_source.get(), &UnitSource::logLine, this, [this](const QString& text) { logLine(text); });
}

UnitXelto::~UnitXelto()
{
    m_source->disconnect(this);
}

HRESULT UnitXelto::ServiceAction()
{
    return hr::S_OK;
}

HRESULT UnitXelto::Start()
{
    m_started = true;
    m_source->start();
    if (m_source->present())
        fireSignal({});
    while (!m_waiting.empty()) {
        const auto [unit, call] = m_waiting.front();
        m_waiting.pop_front();
        fireCallerID(unit, call.line, call.number, call.dateTime, call.name);
    }
    return hr::S_OK;
}

HRESULT UnitXelto::Command(const QString& keyword, QString* result)
{
    if (!result)
        return hr::E_POINTER;
    result->clear();
    if (keyword == QLatin1String("devicemodel")) {
        *result = m_source->model();
        return hr::S_OK;
    }
    if (keyword == QLatin1String("serial")) {
        *result = m_source->serial();
        return hr::S_OK;
    }
    if (keyword.startsWith(QLatin1String("LineStatus"))
        || keyword.startsWith(QLatin1String("dial")))
        SetErrorInfo(QStringLiteral("Çok hatlı birim yalnız dinler, hattı açamaz ve numara "
                                    "çeviremez: \"%1\" gönderilemedi")
                         .arg(keyword));
    else
        SetErrorInfo(QStringLiteral("Bilinmeyen komut: \"%1\"").arg(keyword));
    return hr::E_FAIL;
}

void UnitXelto::onRecord(const QString& unit, const UnitRecord& record)
{
    const UnitCalls::Outcome outcome
        = m_calls.take(unit, record, QDateTime::currentDateTime(), unit != m_source->serial());
    for (const QString& line : outcome.log)
        logLine(line);
    if (!outcome.call)
        return;
    const UnitCalls::Call& call = *outcome.call;
    if (m_started) {
        fireCallerID(unit, call.line, call.number, call.dateTime, call.name);
        return;
    }
    m_waiting.emplace_back(unit, call);
    if (m_waiting.size() > MaxWaitingCalls)
        m_waiting.pop_front();
}

void UnitXelto::onPresenceChanged(bool present)
{
    if (!present)
        m_calls.reset();
    // A unit reports no line levels: the meters show 0, not the last device's levels.
    if (present && m_started)
        fireSignal({});
    emit deviceChanged();
}

UnitCandidate::UnitCandidate(UnitUdpLink::Options options)
    : m_options(std::move(options))
{
}

UnitCandidate::~UnitCandidate() = default;

void UnitCandidate::startSearch(Found found)
{
    // The same link across searches: what it logged once it does not log again.
    if (!m_link)
        m_link = std::make_unique<UnitUdpLink>(m_options);
    m_link->disconnect(this);
    connect(m_link.get(), &UnitSource::logLine, this, &DeviceCandidate::logLine);
    connect(m_link.get(), &UnitSource::presenceChanged, this, [this, found](bool present) {
        if (!present || !m_link)
            return;
        // The unit's first datagram goes with the control: it is read on from there.
        m_link->disconnect(this);
        found(std::make_unique<UnitXelto>(std::move(m_link)));
    });
    m_link->start();
}

void UnitCandidate::stopSearch()
{
    if (m_link)
        m_link->stop();
}
