#pragma once

#include "xeltocallerid_TLB.h"

#include <QHash>
#include <QObject>
#include <QStringList>

// What every control behind the caller-ID class ID shares: the COM plumbing
// (interfaces, the FormVisible property and the methods by DISPID, the event
// connection) and the raising of the two events. A device control implements
// Start, ServiceAction and Command and raises calls and signals through here.
class XeltoControl : public QObject, public IXelto, public IConnectionPoint
{
    Q_OBJECT
public:
    XeltoControl();
    ~XeltoControl() override;

    // IUnknown
    HRESULT QueryInterface(const QUuid& iid, void** object) override;
    // IDispatch: the FormVisible property and the methods by DISPID.
    HRESULT Invoke(
        DISPID id, DispatchKind kind, const QVariantList& args, QVariant* result) override;
    // IConnectionPoint
    HRESULT Advise(const QUuid& eventIid, IDispatch* sink, quint32* cookie) override;
    HRESULT Unadvise(quint32 cookie) override;

    bool formVisible() const { return m_formVisible; }
    // Whether a device is there now: "devicemodel" answers text exactly then.
    virtual bool devicePresent() const = 0;

    // Raises OnCallerID to every connected sink.
    void fireCallerID(const QString& deviceId, const QString& line, const QString& number,
        const QString& dateTime, const QString& otherText);
    // Raises OnSignalA; missing levels (up to eight) are sent as "0".
    void fireSignal(const QStringList& levels);

signals:
    // A device came or went; the model and serial may have changed.
    void deviceChanged();

protected:
    virtual void formVisibleChanged() { }
    // Raises event ID with ARGS as they are (for controls that relay another's events).
    void fireEvent(DISPID id, const QVariantList& args);
    // One line in the application's log, for things the user should know about
    // the device (a refused port, a corrupt caller-ID packet).
    void logLine(const QString& line);
    // The failure of a line command KEYWORD that found no device to carry it out.
    static HRESULT noDevice(const QString& keyword);

private:
    bool m_formVisible = true;
    QHash<quint32, IDispatch*> m_sinks;
    quint32 m_nextCookie = 1;
};
