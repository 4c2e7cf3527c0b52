#pragma once

#include "NcidLink.h"
#include "xeltocallerid_TLB.h"

#include <QHash>
#include <QObject>

#include <memory>

// The caller-ID control over an NCID server: the calls the server announces
// become OnCallerID events, with the server's address as the device's serial.
// The device is there while the server is connected and has greeted; the
// protocol carries no line voltage, so the meters stay at 0, and it has no way
// to take a line off hook or dial, so those commands are refused.
class NcidXelto : public QObject, public IXelto, public IConnectionPoint
{
    Q_OBJECT
public:
    // Takes over LINK, connected or not; Start() makes it connect.
    explicit NcidXelto(std::unique_ptr<NcidLink> link);
    ~NcidXelto() override;

    // IUnknown
    HRESULT QueryInterface(const QUuid& iid, void** object) override;
    // IDispatch: the FormVisible property and the methods by DISPID.
    HRESULT Invoke(
        DISPID id, DispatchKind kind, const QVariantList& args, QVariant* result) override;
    // IXelto
    HRESULT ServiceAction() override;
    HRESULT Start() override;
    HRESULT Command(const QString& keyword, QString* result) override;
    // IConnectionPoint
    HRESULT Advise(const QUuid& eventIid, IDispatch* sink, quint32* cookie) override;
    HRESULT Unadvise(quint32 cookie) override;

    bool devicePresent() const { return m_link->present(); }
    NcidLink* link() const { return m_link.get(); }

signals:
    void deviceChanged();

private:
    void onCall(int line, const QString& number, const QString& dateTime, const QString& name);
    void onPresenceChanged(bool present);
    void fireCallerID(const QString& deviceId, const QString& line, const QString& number,
        const QString& dateTime, const QString& otherText);
    void fireSignal(const QStringList& levels);
    void fireEvent(DISPID id, const QVariantList& args);
    void logLine(const QString& line);

    std::unique_ptr<NcidLink> m_link;
    bool m_formVisible = true;
    QHash<quint32, IDispatch*> m_sinks;
    quint32 m_nextCookie = 1;
};
