#pragma once

#include "ComObj.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

// Binding to the caller-ID control: its class and interface IDs, the DISPIDs
// of its property and events, its dual interface, and the TXelto host that
// creates the control inside a window and turns its events into handler calls.

extern const QUuid CLASS_Xelto;
extern const QUuid IID_IXelto;
extern const QUuid DIID_IXeltoEvents;

namespace XeltoDispId {
constexpr DISPID FormVisible = 201;
// Events 201..208 (activate, click, create, double click, destroy, deactivate,
// key press, paint) exist but are left unbound.
constexpr DISPID OnActivate = 201;
constexpr DISPID OnPaint = 208;
constexpr DISPID OnCallerID = 209;
constexpr DISPID OnSignalA = 210;
} // namespace XeltoDispId

// The control's default interface. In the control's function table these sit at
// positions 45 (ServiceAction), 46 (Start) and 49 (Command), after the seven
// entries of IUnknown and IDispatch and the control's other members.
class IXelto : public IDispatch
{
public:
    virtual HRESULT ServiceAction() = 0;
    virtual HRESULT Start() = 0;
    virtual HRESULT Command(const QString& keyword, QString* result) = 0;
};

using TXeltoOnCallerID
    = std::function<void(QObject* sender, const QString& DeviceID, const QString& Line,
        const QString& PhoneNumber, const QString& DateTime, const QString& OtherText)>;
using TXeltoOnSignalA = std::function<void(QObject* sender, const QString& Level1,
    const QString& Level2, const QString& Level3, const QString& Level4, const QString& Level5,
    const QString& Level6, const QString& Level7, const QString& Level8)>;

// An event sink of the control's events interface: each event it is sent is
// passed to `handle` (the event's DISPID and arguments).
class XeltoEventSink : public IDispatch
{
public:
    using Handler = std::function<HRESULT(DISPID id, const QVariantList& args)>;
    explicit XeltoEventSink(Handler handle)
        : m_handle(std::move(handle))
    {
    }

    HRESULT QueryInterface(const QUuid& iid, void** object) override;
    HRESULT Invoke(DISPID id, DispatchKind kind, const QVariantList& args, QVariant*) override;

private:
    Handler m_handle;
};

// The hosted control. The control is created with the host; its interface is
// queried at the first call and kept. Failing calls raise EOleSysError.
class TXelto : public QWidget
{
    Q_OBJECT
public:
    explicit TXelto(QWidget* parent = nullptr);
    ~TXelto() override;

    void SetFormVisible(bool visible);
    void ServiceAction();
    void Start();
    QString Command(const QString& keyword);

    // False when no control could be created; the host then stays inert: calls
    // do nothing and Command answers empty text (no device), after the failure
    // has been reported once to the application's exception event.
    bool ControlCreated() const { return m_control != nullptr; }

    TXeltoOnCallerID OnCallerID;
    TXeltoOnSignalA OnSignalA;

private:
    void createControl();
    IXelto* DefaultInterface();
    HRESULT dispatchEvent(DISPID id, const QVariantList& args);

    ComObject m_control;
    IXelto* m_interface = nullptr;
    IConnectionPoint* m_connectionPoint = nullptr;
    std::unique_ptr<XeltoEventSink> m_sink;
    quint32 m_cookie = 0;
};
