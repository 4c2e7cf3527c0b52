#include "xeltocallerid_TLB.h"

#include "DeviceText.h"
#include "Forms.h"

const QUuid CLASS_Xelto(QStringLiteral("{EEA18052-171F-4293-8598-AB6E1D7257B2}"));
const QUuid IID_IXelto(QStringLiteral("{0A16189E-10E9-4A76-8D2D-0A8F1AD4729A}"));
const QUuid DIID_IXeltoEvents(QStringLiteral("{B6A36C9A-2DC9-4CEF-AF6E-D6DDD2F91CC4}"));

HRESULT XeltoEventSink::QueryInterface(const QUuid& iid, void** object)
{
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_IXeltoEvents) {
        *object = static_cast<IDispatch*>(this);
        return hr::S_OK;
    }
    *object = nullptr;
    return hr::E_NOINTERFACE;
}

HRESULT XeltoEventSink::Invoke(DISPID id, DispatchKind kind, const QVariantList& args, QVariant*)
{
    if (kind != DispatchKind::Method)
        return hr::DISP_E_MEMBERNOTFOUND;
    return m_handle(id, args);
}

TXelto::TXelto(QWidget* parent)
    : QWidget(parent)
    , m_sink(std::make_unique<XeltoEventSink>(
          [this](DISPID id, const QVariantList& args) { return dispatchEvent(id, args); }))
{
    resize(26, 26);
    // A control that cannot be created must not take the window down with it:
    // the failure is reported once and the host stays inert.
    Application()->Guard(this, [this] { createControl(); });
}

TXelto::~TXelto()
{
    if (m_connectionPoint && m_cookie)
        m_connectionPoint->Unadvise(m_cookie);
}

void TXelto::createControl()
{
    ComObject control;
    const HRESULT code = ComRegistry::CoCreateInstance(CLASS_Xelto, control);
    if (Failed(code)) {
        QString reason = TakeErrorInfo();
        if (reason.isEmpty())
            reason = SysErrorMessage(code);
        throw EOleSysError(QStringLiteral("Caller ID denetimi oluşturulamadı (%1): %2")
                               .arg(CLASS_Xelto.toString(QUuid::WithBraces).toUpper(), reason),
            code);
    }
    m_control = std::move(control);
    m_connectionPoint = QueryInterfaceAs<IConnectionPoint>(m_control.get(), IID_IConnectionPoint);
    OleCheck(m_connectionPoint->Advise(DIID_IXeltoEvents, m_sink.get(), &m_cookie));
}

IXelto* TXelto::DefaultInterface()
{
    if (!m_interface && m_control)
        m_interface = QueryInterfaceAs<IXelto>(m_control.get(), IID_IXelto);
    return m_interface;
}

void TXelto::SetFormVisible(bool visible)
{
    if (IXelto* control = DefaultInterface())
        SetDispatchProperty(control, XeltoDispId::FormVisible, visible);
}

void TXelto::ServiceAction()
{
    if (IXelto* control = DefaultInterface())
        OleCheck(control->ServiceAction());
}

void TXelto::Start()
{
    if (IXelto* control = DefaultInterface())
        OleCheck(control->Start());
}

QString TXelto::Command(const QString& keyword)
{
    QString result;
    if (IXelto* control = DefaultInterface())
        OleCheck(control->Command(keyword, &result));
    // The model and serial number are the device's own words, shown in the window.
    if (keyword == QLatin1String("devicemodel") || keyword == QLatin1String("serial"))
        return DeviceText::clean(result);
    return result;
}

HRESULT TXelto::dispatchEvent(DISPID id, const QVariantList& args)
{
    auto text = [&](int i) { return args.value(i).toString(); };
    switch (id) {
    case XeltoDispId::OnCallerID:
        if (args.size() != 5)
            return hr::DISP_E_BADPARAMCOUNT;
        if (OnCallerID)
            Application()->Guard(
                this, [&] { OnCallerID(this, text(0), text(1), text(2), text(3), text(4)); });
        return hr::S_OK;
    case XeltoDispId::OnSignalA:
        if (args.size() != 8)
            return hr::DISP_E_BADPARAMCOUNT;
        if (OnSignalA)
            Application()->Guard(this, [&] {
                OnSignalA(
                    this, text(0), text(1), text(2), text(3), text(4), text(5), text(6), text(7));
            });
        return hr::S_OK;
    default:
        // The other events are not bound.
        return (id >= XeltoDispId::OnActivate && id <= XeltoDispId::OnPaint)
            ? hr::S_OK
            : hr::DISP_E_MEMBERNOTFOUND;
    }
}
