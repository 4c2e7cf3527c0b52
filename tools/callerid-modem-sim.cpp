// A caller-ID modem on a pseudo-terminal, driven from standard input, so that
// the program can be tried with CALLERID_DEVICE=modem:PATH without hardware.
// See the README for the commands.

#include "ModemEmulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

class Driver : public QObject
{
public:
    Driver(ModemEmulator& modem, QString link)
        : m_modem(modem)
        , m_link(std::move(link))
        , m_input(STDIN_FILENO, QSocketNotifier::Read)
    {
        connect(&m_input, &QSocketNotifier::activated, this, &Driver::onInput);
        connect(&m_modem, &ModemEmulator::commandReceived, this,
            [](const QString& command) { say(QStringLiteral("< %1").arg(command)); });
    }

    bool plug()
    {
        QString error;
        if (!m_modem.plug(m_link, &error)) {
            say(QStringLiteral("error: %1").arg(error));
            return false;
        }
        say(QStringLiteral("plugged: %1 (terminal %2)").arg(m_modem.path(), m_modem.terminal()));
        return true;
    }

private:
    void onInput()
    {
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            m_input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        m_line.append(buffer, n);
        for (qsizetype end; (end = m_line.indexOf('\n')) >= 0;) {
            const QString line = QString::fromUtf8(m_line.left(end)).trimmed();
            m_line.remove(0, end + 1);
            if (!line.isEmpty())
                run(line);
        }
    }

    void run(const QString& line)
    {
        QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString verb = words.takeFirst();
        const QString number = words.value(0);
        const QString name = words.mid(1).join(QLatin1Char(' '));
        const QDateTime now = QDateTime::currentDateTime();
        if (verb == QLatin1String("ring"))
            m_modem.ring(number);
        else if (verb == QLatin1String("call") && !number.isEmpty())
            m_modem.send(ModemEmulator::formattedBlock(number, name, now));
        else if (verb == QLatin1String("split") && !number.isEmpty())
            m_modem.send(ModemEmulator::formattedBlock(number, name, now), 3);
        else if (verb == QLatin1String("mdmf") && !number.isEmpty())
            m_modem.send(ModemEmulator::rawPacket(number, name, now, true));
        else if (verb == QLatin1String("sdmf") && !number.isEmpty())
            m_modem.send(ModemEmulator::rawPacket(number, {}, now, false));
        else if (verb == QLatin1String("corrupt") && !number.isEmpty()) {
            QByteArray bytes = ModemEmulator::rawPacket(number, name, now, true);
            bytes[bytes.size() - 3] = bytes.at(bytes.size() - 3) == '0' ? '1' : '0';
            m_modem.send(bytes);
        } else if (verb == QLatin1String("send"))
            m_modem.send(line.mid(5).toUtf8().replace("\\r", "\r").replace("\\n", "\n"));
        else if (verb == QLatin1String("voltage") && !number.isEmpty())
            m_modem.behaviour().voltage = number;
        else if (verb == QLatin1String("unplug"))
            m_modem.unplug();
        else if (verb == QLatin1String("plug")) {
            if (!m_modem.plugged())
                plug();
        } else if (verb == QLatin1String("status"))
            say(QStringLiteral("status: %1, caller ID %2, %3 commands")
                    .arg(
                        m_modem.plugged() ? QStringLiteral("plugged") : QStringLiteral("unplugged"),
                        m_modem.callerIdOn() ? QStringLiteral("on") : QStringLiteral("off"))
                    .arg(m_modem.commands().size()));
        else if (verb == QLatin1String("quit"))
            QCoreApplication::quit();
        else {
            say(QStringLiteral("error: unknown command '%1'").arg(line));
            return;
        }
        say(QStringLiteral("done: %1").arg(line));
    }

    ModemEmulator& m_modem;
    QString m_link;
    QSocketNotifier m_input;
    QByteArray m_line;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("callerid-modem-sim"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A caller-ID modem on a pseudo-terminal. Commands on standard input, one a line: "
        "ring [A|1…], call NUMBER [NAME], split NUMBER [NAME], mdmf NUMBER [NAME], "
        "sdmf NUMBER, corrupt NUMBER, send TEXT, voltage VOLTS|ERROR, unplug, plug, status, "
        "quit. NUMBER or NAME P means private, O unavailable."));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"),
        QStringLiteral("Make PATH a link to the terminal (like a udev name)."),
        QStringLiteral("PATH"));
    const QCommandLineOption refuse(QStringLiteral("refuse"),
        QStringLiteral("Answer COMMAND with ERROR (repeatable), e.g. AT+VCID=1."),
        QStringLiteral("COMMAND"));
    const QCommandLineOption ignore(QStringLiteral("ignore"),
        QStringLiteral("Never answer COMMAND (repeatable), e.g. AT-TRV; * for every command."),
        QStringLiteral("COMMAND"));
    const QCommandLineOption longAnswer(QStringLiteral("long-answer"),
        QStringLiteral("Answer COMMAND with LINES lines of text before its OK (repeatable), "
                       "e.g. AT+GMM=300000: a modem gone mad."),
        QStringLiteral("COMMAND=LINES"));
    const QCommandLineOption voltage(QStringLiteral("voltage"),
        QStringLiteral("Answer AT-TRV with VOLTS, ERROR or nothing but OK (\"\")."),
        QStringLiteral("VOLTS"));
    const QCommandLineOption model(QStringLiteral("model"),
        QStringLiteral("Answer AT+GMM with MODEL."), QStringLiteral("MODEL"));
    const QCommandLineOption serial(QStringLiteral("serial"),
        QStringLiteral("Answer AT+GSN with SERIAL."), QStringLiteral("SERIAL"));
    parser.addOptions({ link, refuse, ignore, longAnswer, voltage, model, serial });
    parser.process(app);

    ModemEmulator::Behaviour behaviour;
    behaviour.refused = parser.values(refuse);
    behaviour.ignored = parser.values(ignore);
    for (const QString& answer : parser.values(longAnswer)) {
        const qsizetype equals = answer.lastIndexOf(QLatin1Char('='));
        bool ok = false;
        const qint64 lines = answer.mid(equals + 1).toLongLong(&ok);
        if (equals <= 0 || !ok || lines < 1) {
            std::fprintf(stderr, "callerid-modem-sim: --long-answer wants COMMAND=LINES, not %s\n",
                qPrintable(answer));
            return 2;
        }
        behaviour.longAnswers.insert(answer.left(equals), lines);
    }
    if (parser.isSet(voltage))
        behaviour.voltage = parser.value(voltage);
    if (parser.isSet(model))
        behaviour.model = parser.value(model);
    if (parser.isSet(serial))
        behaviour.serial = parser.value(serial);
    ModemEmulator modem(behaviour);
    Driver driver(modem, parser.value(link));
    if (!driver.plug())
        return 1;
    return app.exec();
}
