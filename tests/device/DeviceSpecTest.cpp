#include "DeviceSpec.h"

#include <gtest/gtest.h>

namespace {

using Kind = DeviceSpec::Kind;

DeviceSpec parsed(const char* text)
{
    QString error;
    const auto spec = DeviceSpec::parse(QString::fromUtf8(text), &error);
    EXPECT_TRUE(spec.has_value()) << text << ": " << qPrintable(error);
    return spec.value_or(DeviceSpec {});
}

} // namespace

TEST(DeviceSpec, NamesTheDeviceKinds)
{
    EXPECT_EQ(parsed("auto").kind, Kind::Auto);
    EXPECT_EQ(parsed("demo").kind, Kind::Demo);
    EXPECT_EQ(parsed("sim").kind, Kind::Sim);
    EXPECT_EQ(parsed("none").kind, Kind::None);
    EXPECT_EQ(parsed(" MODEM ").kind, Kind::Modem);
    EXPECT_TRUE(parsed("modem").path.isEmpty());
}

TEST(DeviceSpec, ModemPathIsKeptAsGiven)
{
    EXPECT_EQ(parsed("modem:/dev/ttyACM0").path, QStringLiteral("/dev/ttyACM0"));
    EXPECT_EQ(parsed("Modem:/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0").path,
        QStringLiteral("/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0"));
    // A folder name may hold blanks; only the spec's own ends are trimmed.
    EXPECT_EQ(parsed(" modem:/tmp/Caller ID Test/ttyACM0 ").path,
        QStringLiteral("/tmp/Caller ID Test/ttyACM0"));
}

TEST(DeviceSpec, NcidHostAndPortDefaultToTheLocalServer)
{
    const DeviceSpec plain = parsed("ncid");
    EXPECT_EQ(plain.kind, Kind::Ncid);
    EXPECT_EQ(plain.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(plain.port, 3333);
    const DeviceSpec host = parsed("ncid:santral.local");
    EXPECT_EQ(host.host, QStringLiteral("santral.local"));
    EXPECT_EQ(host.port, 3333);
    const DeviceSpec both = parsed("ncid:10.1.2.3:65535");
    EXPECT_EQ(both.host, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(both.port, 65535);
    EXPECT_EQ(parsed("ncid:1.2.3.4:1").port, 1);
    const DeviceSpec v6 = parsed("ncid:[::1]:4000");
    EXPECT_EQ(v6.host, QStringLiteral("::1"));
    EXPECT_EQ(v6.port, 4000);
    EXPECT_EQ(parsed("ncid:[fe80::1]").port, 3333);
}

TEST(DeviceSpec, UnitsOnASerialPortAndOnUdp)
{
    const DeviceSpec serial = parsed("unit:/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
    EXPECT_EQ(serial.kind, Kind::Unit);
    EXPECT_EQ(serial.path, QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0"));
    const DeviceSpec plain = parsed("unit-udp");
    EXPECT_EQ(plain.kind, Kind::UnitUdp);
    EXPECT_EQ(plain.port, 3520);
    EXPECT_EQ(plain.host, QString()) << "any sender";
    EXPECT_EQ(plain, DeviceSpec::of(Kind::UnitUdp));
    EXPECT_EQ(parsed("UNIT-UDP:4000").port, 4000);
    const DeviceSpec from = parsed("unit-udp:3520@192.168.1.50");
    EXPECT_EQ(from.port, 3520);
    EXPECT_EQ(from.host, QStringLiteral("192.168.1.50"));
    EXPECT_EQ(parsed("unit-udp:3520@fe80::1").host, QStringLiteral("fe80::1"));
    EXPECT_EQ(parsed("unit-udp:3520@[::1]").host, QStringLiteral("::1"));
}

TEST(DeviceSpec, MalformedSpecsAreRefusedWithOneClearReason)
{
    for (const char* text :
        { "", "modem:", "ncid:", "ncid::3333", "ncid:host:", "ncid:host:0", "ncid:host:65536",
            "ncid:host:33x", "ncid:host:+33", "ncid:host:1:2", "ncid:[::1", "ncid:[::1]x",
            "ncid:[::1]:", "ncid:[]:3333", "ncid:a b", "modem:/dev/x:", "modem:/dev/a\tb", "demo:1",
            "sim:x", "none:", "auto:", "serial", "modemx", "ncid:host:3333:", "unit",
            "unit:", "unit:/dev/x:", "unit-udp:", "unit-udp:0", "unit-udp:65536", "unit-udp:x",
            "unit-udp:@1.2.3.4", "unit-udp:3520@", "unit-udp:3520@birim.local",
            "unit-udp:3520@1.2.3.4 5", "unit-udp:3520@[::1", "unit-udpx" }) {
        QString error;
        EXPECT_FALSE(DeviceSpec::parse(QString::fromUtf8(text), &error)) << text;
        EXPECT_TRUE(
            error.startsWith(QStringLiteral("unknown device '%1'").arg(QString::fromUtf8(text))))
            << qPrintable(error);
        EXPECT_FALSE(error.contains(QLatin1Char('\n')));
    }
}

TEST(DeviceSpec, TextRoundTrips)
{
    for (const char* text : { "auto", "modem", "modem:/dev/ttyUSB3", "ncid:127.0.0.1:3333",
             "ncid:[::1]:4000", "unit:/dev/ttyUSB0", "unit-udp:3520", "unit-udp:4000@10.0.0.7",
             "unit-udp:3520@::1", "demo", "sim", "none" }) {
        const DeviceSpec spec = parsed(text);
        EXPECT_EQ(spec.toString(), QString::fromUtf8(text));
        EXPECT_EQ(DeviceSpec::parse(spec.toString()), spec);
    }
}
