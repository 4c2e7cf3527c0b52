#pragma once

#include <QString>

#include <optional>

// Which device stands behind the caller-ID control, as the user names it on
// the command line or in $CALLERID_DEVICE:
//   auto                     find a real device (the default)
//   modem, modem:PATH        a caller-ID modem: found automatically, or on PATH
//   ncid, ncid:HOST[:PORT]   an NCID server (127.0.0.1:3333 by default)
//   demo, sim, none          the simulated device with and without its demo; no device
struct DeviceSpec
{
    enum class Kind { Auto, Modem, Ncid, Demo, Sim, None };

    static constexpr quint16 DefaultNcidPort = 3333;

    Kind kind = Kind::Auto;
    // Modem: the port's path; empty means "find it".
    QString path;
    // NCID: where the server listens.
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
