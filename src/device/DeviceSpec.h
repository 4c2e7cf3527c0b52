#pragma once

#include <QString>

#include <optional>

// Which device stands behind the caller-ID control, as the user names it on
// the command line or in $CALLERID_DEVICE:
//   auto                     find a real device (the default)
//   modem, modem:PATH        a caller-ID modem: found automatically, or on PATH
//   ncid, ncid:HOST[:PORT]   an NCID server (127.0.0.1:3333 by default)
//   unit:PATH                a multi-line caller-ID unit on the serial port PATH
//   unit-udp[:PORT[@HOST]]   Ethernet multi-line units heard on UDP PORT (3520), from HOST only
//   demo, sim, none          the simulated device with and without its demo; no device
struct DeviceSpec
{
    enum class Kind { Auto, Modem, Ncid, Unit, UnitUdp, Demo, Sim, None };

    static constexpr quint16 DefaultNcidPort = 3333;
    static constexpr quint16 DefaultUnitPort = 3520;

    Kind kind = Kind::Auto;
    // Modem: the port's path; empty means "find it". Unit: the port's path.
    QString path;
    // NCID: where the server listens. Unit-udp: the port listened on, and the
    // only address heard (an IP address; empty for any).
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = DefaultNcidPort;

    static DeviceSpec of(Kind kind);
    // The spec named by TEXT; nullopt and a one-line reason in *error when TEXT
    // names no device. Names are not case sensitive; paths and hosts are kept as given.
    static std::optional<DeviceSpec> parse(const QString& text, QString* error = nullptr);
    // The text that parses back to this spec.
    QString toString() const;

    bool operator==(const DeviceSpec&) const = default;
};
