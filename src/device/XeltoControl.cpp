#include "XeltoControl.h"

#include "CallerTexts.h"
#include "DeviceText.h"
#include "Forms.h"

namespace {

// Dispatch IDs of the control's methods, for callers that use late binding.
constexpr DISPID kDispServiceAction = 245;
constexpr DISPID kDispStart = 246;
constexpr DISPID kDispCommand = 249;

} // namespace

XeltoControl::XeltoControl() = default;

XeltoControl::~XeltoControl() = default;

HRESULT XeltoControl::QueryInterface(const QUuid& iid, void** object)
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

HRESULT XeltoControl::Invoke(
    DISPID id, DispatchKind kind, const QVariantList& args, QVariant* result)
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
        if (!args.first().canConvert<bool>())
            return hr::DISP_E_TYPEMISMATCH;
        m_formVisible = args.first().toBool();
        formVisibleChanged();
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

HRESULT XeltoControl::Advise(const QUuid& eventIid, IDispatch* sink, quint32* cookie)
{
    if (!sink || !cookie)
        return hr::E_POINTER;
    if (eventIid != DIID_IXeltoEvents)
        return hr::E_NOINTERFACE;
    *cookie = m_nextCookie++;
    m_sinks.insert(*cookie, sink);
    return hr::S_OK;
}

HRESULT XeltoControl::Unadvise(quint32 cookie)
{
    return m_sinks.remove(cookie) ? hr::S_OK : hr::CONNECT_E_NOCONNECTION;
}

void XeltoControl::fireCallerID(const QString& deviceId, const QString& line, const QString& number,
    const QString& dateTime, const QString& otherText)
{
    // Every device's calls pass here: what a device sends is cleaned once, for all of them.
    QString shownNumber = DeviceText::clean(number);
    if (shownNumber.isEmpty())
        shownNumber = CallerTexts::missingNumber();
    fireEvent(XeltoDispId::OnCallerID,
        { DeviceText::clean(deviceId), DeviceText::clean(line), shownNumber,
            DeviceText::clean(dateTime), DeviceText::clean(otherText) });
}

void XeltoControl::fireSignal(const QStringList& levels)
{
    QVariantList args;
    for (int i = 0; i < 8; ++i)
        args.append(i < levels.size() ? levels.at(i) : QStringLiteral("0"));
    fireEvent(XeltoDispId::OnSignalA, args);
}

void XeltoControl::fireEvent(DISPID id, const QVariantList& args)
{
    // A sink may unadvise itself or another while it is being called: walk the
    // cookies, and call only sinks that are still connected.
    const auto cookies = m_sinks.keys();
    for (quint32 cookie : cookies)
        if (IDispatch* sink = m_sinks.value(cookie))
            sink->Invoke(id, DispatchKind::Method, args, nullptr);
}

void XeltoControl::logLine(const QString& line)
{
    const QString shown = DeviceText::clean(line, DeviceText::MaxLogLength);
    Application()->Guard(this, [&] { throw Exception(shown); });
}

HRESULT XeltoControl::noDevice(const QString& keyword)
{
    SetErrorInfo(QStringLiteral("Cihaz bağlı değil: \"%1\" gönderilemedi").arg(keyword));
    return hr::E_FAIL;
}
