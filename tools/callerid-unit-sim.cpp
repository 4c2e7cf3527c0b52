// A four-line caller-ID unit driven from standard input, on a pseudo-terminal
// (for --device unit:PATH) or sending UDP datagrams as an Ethernet unit does
// (for --device unit-udp). See the README for the commands.

#include "UnitEmulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& text)
{
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

// "\r", "\n" and "\xNN" in TEXT as the bytes they stand for.
QByteArray unescaped(const QString& text)
{
    const QByteArray in = text.toUtf8();
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] != '\\' || i + 1 >= in.size()) {
            out.append(in[i]);
            continue;
        }
        const char next = in[i + 1];
        if (next == 'r' || next == 'n') {
            out.append(next == 'r' ? '\r' : '\n');
            ++i;
        } else if (next == 'x' && i + 3 < in.size()) {
            bool ok = false;
            const int value = in.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 3;
            } else {
                out.append(in[i]);
            }
        } else {
            out.append(in[i]);
        }
    }
    return out;
}

class Driver : public QObject
{
public:
    Driver(UnitEmulator& unit, QString link)
        : m_unit(unit)
        , m_link(std::move(link))
        , m_input(STDIN_FILENO, QSocketNotifier::Read)
    {
        connect(&m_input, &QSocketNotifier::activated, this, &Driver::onInput);
        connect(&m_unit, &UnitEmulator::commandReceived, this,
            [](const QString& command) { say(QStringLiteral("< %1").arg(command)); });
    }

    bool plug()
    {
        QString error;
        if (!m_unit.plug(m_link, &error)) {
            say(QStringLiteral("error: %1").arg(error));
            return false;
        }
        say(QStringLiteral("plugged: %1 (terminal %2)").arg(m_unit.path(), m_unit.terminal()));
        return true;
    }

    bool serial = true;

private:
    void onInput()
    {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            m_input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        m_pending.append(buffer, n);
        for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0;) {
            const QString line = QString::fromUtf8(m_pending.left(end)).trimmed();
            m_pending.remove(0, end + 1);
            if (!line.isEmpty())
                run(line);
        }
    }

    static bool lineNumber(const QString& text, int& line)
    {
        bool ok = false;
        line = text.toInt(&ok);
        return ok && line >= 0 && line <= 99;
    }

    void run(const QString& text)
    {
        QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString verb = words.takeFirst();
        int line = 0;
        const bool hasLine = !words.isEmpty() && lineNumber(words.first(), line);
        const QString number = words.value(1);
        const QString name = words.mid(2).join(QLatin1Char(' '));
        const QString rest = text.mid(verb.size()).trimmed();
        using D = UnitEmulator::Detail;
        bool done = true;
        if (verb == QLatin1String("call") && hasLine && !number.isEmpty()) {
            m_unit.startCall(line, number, name);
            m_unit.endCall(line);
        } else if (verb == QLatin1String("start") && hasLine && !number.isEmpty())
            m_unit.startCall(line, number, name);
        else if (verb == QLatin1String("end") && hasLine)
            m_unit.endCall(line);
        else if (verb == QLatin1String("endonly") && hasLine && !number.isEmpty())
            m_unit.endOnlyCall(line, number, name);
        else if (verb == QLatin1String("bad") && hasLine && !number.isEmpty())
            m_unit.startCall(line, number, name, false);
        else if (verb == QLatin1String("out") && hasLine && !number.isEmpty())
            m_unit.outboundCall(line, number);
        else if (verb == QLatin1String("ring") && hasLine)
            m_unit.detail(line, D::Ring);
        else if (verb == QLatin1String("offhook") && hasLine)
            m_unit.detail(line, D::OffHook);
        else if (verb == QLatin1String("onhook") && hasLine)
            m_unit.detail(line, D::OnHook);
        else if (verb == QLatin1String("flash") && hasLine)
            m_unit.detail(line, D::Flash);
        else if (verb == QLatin1String("flood") && !words.isEmpty() && words.first().toInt() > 0) {
            int on = 0;
            if (words.size() > 1 && !lineNumber(words.at(1), on))
                done = false;
            else
                m_unit.flood(words.first().toInt(), on);
        } else if (verb == QLatin1String("send") && !rest.isEmpty())
            m_unit.send(rest.toLatin1());
        else if (verb == QLatin1String("raw") && !rest.isEmpty())
            m_unit.sendRaw(unescaped(rest));
        else if (verb == QLatin1String("toggle") && !rest.isEmpty())
            m_unit.toggle(rest);
        else if (verb == QLatin1String("silent")
            && (rest == QLatin1String("on") || rest == QLatin1String("off")))
            m_unit.setAnswering(rest == QLatin1String("off"));
        else if (verb == QLatin1String("unplug") && serial)
            m_unit.unplug();
        else if (verb == QLatin1String("plug") && serial) {
            if (!m_unit.plugged())
                plug();
        } else if (verb == QLatin1String("status"))
            say(QStringLiteral("status: %1, %2 commands, %3 datagrams, V answers \"%4\"")
                    .arg(serial ? (m_unit.plugged() ? QStringLiteral("plugged")
                                                    : QStringLiteral("unplugged"))
                                : QStringLiteral("udp"))
                    .arg(m_unit.commands().size())
                    .arg(m_unit.datagramsSent())
                    .arg(QString::fromLatin1(m_unit.versionAnswer(QDateTime::currentDateTime()))));
        else if (verb == QLatin1String("quit"))
            QCoreApplication::quit();
        else
            done = false;
        if (done)
            say(QStringLiteral("done: %1").arg(text));
        else
            say(QStringLiteral("error: unknown or malformed command '%1'").arg(text));
    }

    UnitEmulator& m_unit;
    QString m_link;
    QSocketNotifier m_input;
    QByteArray m_pending;
};

bool endpoint(const QString& text, QHostAddress& host, quint16& port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    QString address = colon < 0 ? text : text.left(colon);
    if (address.startsWith(QLatin1Char('[')) && address.endsWith(QLatin1Char(']')))
        address = address.mid(1, address.size() - 2);
    bool ok = true;
    const uint value = colon < 0 ? 3520 : text.mid(colon + 1).toUInt(&ok);
    host = QHostAddress(address);
    if (!ok || value < 1 || value > 65535 || host.isNull())
        return false;
    port = quint16(value);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("callerid-unit-sim"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A four-line caller-ID unit, on a pseudo-terminal or sending UDP datagrams. Commands on "
        "standard input, one a line: call LINE NUMBER [NAME], start LINE NUMBER [NAME], end LINE, "
        "endonly LINE NUMBER [NAME], bad LINE NUMBER [NAME], out LINE NUMBER, ring LINE, "
        "offhook LINE, onhook LINE, flash LINE, flood COUNT [LINE], send TEXT, raw TEXT, "
        "toggle LETTERS, silent on|off, unplug, plug, status, quit. NUMBER P means private, O "
        "out of area."));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"),
        QStringLiteral("Make PATH a link to the terminal (like a udev name)."),
        QStringLiteral("PATH"));
    const QCommandLineOption udp(QStringLiteral("udp"),
        QStringLiteral("Send datagrams to ADDRESS[:PORT] (port 3520 if not given; a broadcast "
                       "address such as 255.255.255.255 too) instead of making a terminal."),
        QStringLiteral("ADDRESS[:PORT]"));
    const QCommandLineOption unitNumber(QStringLiteral("unit"),
        QStringLiteral("The unit number in datagrams (1)."), QStringLiteral("N"));
    const QCommandLineOption serialNumber(QStringLiteral("serial"),
        QStringLiteral("The serial number in datagrams (123456)."), QStringLiteral("N"));
    const QCommandLineOption version(QStringLiteral("version-text"),
        QStringLiteral("The version \"V\" answers (V4.2)."), QStringLiteral("TEXT"));
    const QCommandLineOption toggles(QStringLiteral("toggles"),
        QStringLiteral("Toggles at start: lower case on, upper case off (cdose are on)."),
        QStringLiteral("LETTERS"));
    const QCommandLineOption noDashes(
        QStringLiteral("no-dashes"), QStringLiteral("Numbers without dashes."));
    const QCommandLineOption blankZero(QStringLiteral("blank-zero"),
        QStringLiteral("A blank for the leading zero of the month (\" 9/26\")."));
    parser.addOptions(
        { link, udp, unitNumber, serialNumber, version, toggles, noDashes, blankZero });
    parser.process(app);

    UnitEmulator::Settings settings;
    bool ok = true;
    if (parser.isSet(unitNumber))
        settings.unitNumber = parser.value(unitNumber).toULongLong(&ok);
    if (ok && parser.isSet(serialNumber))
        settings.serialNumber = parser.value(serialNumber).toULongLong(&ok);
    if (!ok || settings.unitNumber >= (1ULL << 48) || settings.serialNumber >= (1ULL << 48)) {
        std::fprintf(stderr, "callerid-unit-sim: --unit and --serial take numbers below 2^48\n");
        return 2;
    }
    if (parser.isSet(version))
        settings.version = parser.value(version);
    settings.dashes = !parser.isSet(noDashes);
    settings.blankZero = parser.isSet(blankZero);
    UnitEmulator unit(settings);
    if (parser.isSet(toggles))
        unit.toggle(parser.value(toggles));
    Driver driver(unit, parser.value(link));
    if (parser.isSet(udp)) {
        QHostAddress host;
        quint16 port = 0;
        QString error;
        if (!endpoint(parser.value(udp), host, port)) {
            std::fprintf(stderr, "callerid-unit-sim: --udp takes ADDRESS[:PORT]\n");
            return 2;
        }
        if (!unit.aim(host, port, &error)) {
            say(QStringLiteral("error: %1").arg(error));
            return 1;
        }
        driver.serial = false;
        say(QStringLiteral("sending to %1 port %2").arg(host.toString()).arg(port));
    } else if (!driver.plug()) {
        return 1;
    }
    return app.exec();
}
