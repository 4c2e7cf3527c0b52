#pragma once

#include "DeviceFinder.h"
#include "DeviceSpec.h"
#include "NcidLink.h"
#include "XeltoControl.h"

#include <memory>

// The caller-ID control over an NCID server: the calls the server announces
// become OnCallerID events, with the server's address as the device's serial.
// The device is there while the server is connected and has greeted; the
// protocol carries no line voltage, so the meters stay at 0, and it has no way
// to take a line off hook or dial, so those commands are refused.
class NcidXelto : public XeltoControl
{
    Q_OBJECT
public:
    // Takes over LINK, connected or not; Start() makes it connect.
    explicit NcidXelto(std::unique_ptr<NcidLink> link);
    ~NcidXelto() override;

    HRESULT ServiceAction() override;
    HRESULT Start() override;
    HRESULT Command(const QString& keyword, QString* result) override;
    bool devicePresent() const override { return m_link->present(); }

private:
    void onPresenceChanged(bool present);

    std::unique_ptr<NcidLink> m_link;
};

// For `auto`: an NCID server on this machine's standard port, looked for
// quietly (no server there is the usual case, not a fault).
class NcidCandidate : public DeviceCandidate
{
    Q_OBJECT
public:
    explicit NcidCandidate(QString host = QStringLiteral("127.0.0.1"),
        quint16 port = DeviceSpec::DefaultNcidPort, DeviceTimerFactory timers = MakeQtDeviceTimer);
    ~NcidCandidate() override;

    void startSearch(Found found) override;
    void stopSearch() override;

private:
    QString m_host;
    quint16 m_port;
    DeviceTimerFactory m_timers;
    // Outlives the links handed over with a device: the next search waits as they would.
    std::shared_ptr<NcidBackoff> m_backoff = std::make_shared<NcidBackoff>();
    std::unique_ptr<NcidLink> m_link;
};
