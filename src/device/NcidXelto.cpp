#include "NcidXelto.h"

#include "Forms.h"

namespace {

constexpr DISPID kDispServiceAction = 245;
constexpr DISPID kDispStart = 246;
constexpr DISPID kDispCommand = 249;

} // namespace

NcidXelto::NcidXelto(std::unique_ptr<NcidLink> link)
    : m_link(std::move(link))
{
    connect(m_link.get(), &NcidLink::callArrived, this,
        [this](int line, const QString& number, const QString& dateTime, const QString& name) {
            onCall(line, number, dateTime, name);
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

void NcidXelto::onCall(
    int line, const QString& number, const QString& dateTime, const QString& name)
{
    fireCallerID(m_link->address(), QString::number(line), number, dateTime, name);
}

void NcidXelto::onPresenceChanged(bool present)
{
    // No line voltage reaches a network client: the meters show 0, not the last device's levels.
    if (present)
        fireSignal({});
    emit deviceChanged();
}

// --- the control's plumbing -------------------------------------------------------

HRESULT NcidXelto::QueryInterface(const QUuid& iid, void** object)
{
    if (!object)
        return hr::E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IXelto) {
        *object = static_cast<IXelto*>(this);
        return hr::S_OK;
    }
    if (iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        return hr::S_OK;
    }
    *object = nullptr;
    return hr::E_NOINTERFACE;
}

HRESULT NcidXelto::Invoke(DISPID id, DispatchKind kind, const QVariantList& args, QVariant* result)
{
    if (id == XeltoDispId::FormVisible) {
        if (kind == DispatchKind::PropertyGet) {
            if (result)
                *result = m_formVisible;
            return hr::S_OK;
        }
        if (kind != DispatchKind::PropertyPut)
            return hr::DISP_E_MEMBERNOTFOUND;
        if (args.size() != 1)
            return hr::DISP_E_BADPARAMCOUNT;
        m_formVisible = args.first().toBool();
        return hr::S_OK;
    }
    if (kind != DispatchKind::Method)
        return hr::DISP_E_MEMBERNOTFOUND;
    switch (id) {
    case kDispServiceAction:
        return args.isEmpty() ? ServiceAction() : hr::DISP_E_BADPARAMCOUNT;
    case kDispStart:
        return args.isEmpty() ? Start() : hr::DISP_E_BADPARAMCOUNT;
    case kDispCommand: {
        if (args.size() != 1)
            return hr::DISP_E_BADPARAMCOUNT;
        QString text;
        const HRESULT code = Command(args.first().toString(), &text);
        if (result)
            *result = text;
        return code;
    }
    default:
        return hr::DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT NcidXelto::Advise(const QUuid& eventIid, IDispatch* sink, quint32* cookie)
{
    if (!sink || !cookie)
        return hr::E_POINTER;
    if (eventIid != DIID_IXeltoEvents)
        return hr::E_NOINTERFACE;
    *cookie = m_nextCookie++;
    m_sinks.insert(*cookie, sink);
    return hr::S_OK;
}

HRESULT NcidXelto::Unadvise(quint32 cookie)
{
    return m_sinks.remove(cookie) ? hr::S_OK : hr::CONNECT_E_NOCONNECTION;
}

void NcidXelto::fireCallerID(const QString& deviceId, const QString& line, const QString& number,
    const QString& dateTime, const QString& otherText)
{
    fireEvent(XeltoDispId::OnCallerID, { deviceId, line, number, dateTime, otherText });
}

void NcidXelto::fireSignal(const QStringList& levels)
{
    QVariantList args;
    for (int i = 0; i < 8; ++i)
        args.append(i < levels.size() ? levels.at(i) : QStringLiteral("0"));
    fireEvent(XeltoDispId::OnSignalA, args);
}

void NcidXelto::fireEvent(DISPID id, const QVariantList& args)
{
    const auto sinks = m_sinks;
    for (IDispatch* sink : sinks)
        sink->Invoke(id, DispatchKind::Method, args, nullptr);
}

void NcidXelto::logLine(const QString& line)
{
    Application()->Guard(this, [&] { throw Exception(line); });
}
