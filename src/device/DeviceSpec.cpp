#include "DeviceSpec.h"

#include <QHostAddress>

namespace {

struct NamedKind
{
    const char* name;
    DeviceSpec::Kind kind;
};

constexpr NamedKind kKinds[] = {
    { "auto", DeviceSpec::Kind::Auto },
    { "modem", DeviceSpec::Kind::Modem },
    { "ncid", DeviceSpec::Kind::Ncid },
    { "unit", DeviceSpec::Kind::Unit },
    { "unit-udp", DeviceSpec::Kind::UnitUdp },
    { "demo", DeviceSpec::Kind::Demo },
    { "sim", DeviceSpec::Kind::Sim },
    { "none", DeviceSpec::Kind::None },
};

std::optional<DeviceSpec> refuse(const QString& text, QString* error)
{
    if (error)
        *error = QStringLiteral("unknown device '%1': use auto, modem, modem:PATH, ncid, "
                                "ncid:HOST, ncid:HOST:PORT, unit:PATH, unit-udp, unit-udp:PORT, "
                                "unit-udp:PORT@ADDRESS, demo, sim or none")
                     .arg(text);
    return std::nullopt;
}

bool hasControl(const QString& text)
{
    for (QChar c : text)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

bool hasBlank(const QString& text)
{
    for (QChar c : text)
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return true;
    return false;
}

bool parsePort(const QString& text, quint16& port)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value < 1 || value > 65535)
        return false;
    port = quint16(value);
    return true;
}

// PORT or PORT@ADDRESS, the address an IPv4 or IPv6 one (brackets allowed).
bool parseListener(const QString& text, DeviceSpec& spec)
{
    const int at = text.indexOf(QLatin1Char('@'));
    if (!parsePort(at < 0 ? text : text.left(at), spec.port))
        return false;
    if (at < 0)
        return true;
    QString host = text.mid(at + 1);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    const QHostAddress address(host);
    if (host.isEmpty() || hasBlank(host) || address.isNull())
        return false;
    spec.host = address.toString();
    return true;
}

// HOST, HOST:PORT, [V6ADDRESS] or [V6ADDRESS]:PORT.
bool parseEndpoint(const QString& text, DeviceSpec& spec)
{
    QString host = text;
    QString port;
    if (text.startsWith(QLatin1Char('['))) {
        const int close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return false;
            port = rest.mid(1);
            if (port.isEmpty())
                return false;
        }
    } else {
        const int colon = text.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            host = text.left(colon);
            port = text.mid(colon + 1);
            if (port.isEmpty())
                return false;
        }
    }
    if (host.isEmpty() || hasBlank(host) || host.contains(QLatin1Char('/')))
        return false;
    if (!text.startsWith(QLatin1Char('[')) && host.contains(QLatin1Char(':')))
        return false;
    spec.host = host;
    if (!port.isEmpty()) {
        for (QChar c : port)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        bool ok = false;
        const uint value = port.toUInt(&ok);
        if (!ok || value < 1 || value > 65535)
            return false;
        spec.port = quint16(value);
    }
    return true;
}

} // namespace

DeviceSpec DeviceSpec::of(Kind kind)
{
    DeviceSpec spec;
    spec.kind = kind;
    if (kind == Kind::UnitUdp) {
        spec.host.clear();
        spec.port = DefaultUnitPort;
    }
    return spec;
}

std::optional<DeviceSpec> DeviceSpec::parse(const QString& text, QString* error)
{
    const QString trimmed = text.trimmed();
    const int colon = trimmed.indexOf(QLatin1Char(':'));
    const QString name = (colon < 0 ? trimmed : trimmed.left(colon)).toLower();
    const NamedKind* found = nullptr;
    for (const NamedKind& k : kKinds)
        if (name == QLatin1String(k.name))
            found = &k;
    if (!found)
        return refuse(text, error);
    DeviceSpec spec = of(found->kind);
    if (colon < 0)
        return spec.kind == Kind::Unit ? refuse(text, error) : spec;
    const QString argument = trimmed.mid(colon + 1);
    switch (spec.kind) {
    case Kind::Modem:
    case Kind::Unit:
        // A path may hold colons (by-path names do) and blanks, but never ends in a colon.
        if (argument.isEmpty() || argument.endsWith(QLatin1Char(':')) || hasControl(argument))
            return refuse(text, error);
        spec.path = argument;
        return spec;
    case Kind::Ncid:
        if (!parseEndpoint(argument, spec))
            return refuse(text, error);
        return spec;
    case Kind::UnitUdp:
        if (!parseListener(argument, spec))
            return refuse(text, error);
        return spec;
    default:
        return refuse(text, error);
    }
}

QString DeviceSpec::toString() const
{
    QString name;
    for (const NamedKind& k : kKinds)
        if (k.kind == kind)
            name = QLatin1String(k.name);
    if ((kind == Kind::Modem || kind == Kind::Unit) && !path.isEmpty())
        return name + QLatin1Char(':') + path;
    if (kind == Kind::UnitUdp)
        return name + QLatin1Char(':') + QString::number(port)
            + (host.isEmpty() ? QString() : QLatin1Char('@') + host);
    if (kind == Kind::Ncid) {
        const QString shownHost
            = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
        return name + QLatin1Char(':') + shownHost + QLatin1Char(':') + QString::number(port);
    }
    return name;
}
