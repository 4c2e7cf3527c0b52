// Runs a program on a machine faked by umockdev: a USB voice modem played by
// the modem emulator, beside an Arduino Uno, a Raspberry Pi Pico, an FTDI
// adapter, a CP210x stick, a modem that a udev rule keeps away from modem
// programs and a built-in serial port. Must itself run under umockdev-wrapper.
//
//   fake-machine-run PROGRAM [ARGUMENTS…]
//
// Reads commands from standard input: "ring", "call NUMBER [NAME]" (a ring and
// a formatted caller-ID block), "check" (prints "silent" when no other port was
// written to, else "heard PORT: BYTES" for each), "quit". Prints "< COMMAND"
// for every AT command the modem receives. Ends with the program.

#include "FakeMachine.h"
#include "ModemEmulator.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

const QString kModemPort = QStringLiteral("ttyACM1");

class Run : public QObject
{
public:
    bool start(const QStringList& command)
    {
        for (const FakeMachine::Port& port :
            { FakeMachine::arduinoUno(), FakeMachine::voiceModem(), FakeMachine::raspberryPiPico(),
                FakeMachine::ftdiAdapter(), FakeMachine::cp210xStick(), FakeMachine::ignoredModem(),
                FakeMachine::builtIn() }) {
            if (!m_machine.plug(port)) {
                say(QStringLiteral("error: cannot fake %1").arg(port.name));
                return false;
            }
            if (port.name != kModemPort)
                m_others << port.name;
        }
        QString error;
        if (!m_modem.attach(m_machine.master(kModemPort), &error)) {
            say(QStringLiteral("error: %1").arg(error));
            return false;
        }
        connect(&m_modem, &ModemEmulator::commandReceived, this,
            [](const QString& command) { say(QStringLiteral("< %1").arg(command)); });
        connect(&m_input, &QSocketNotifier::activated, this, &Run::onInput);
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        connect(&m_program, &QProcess::finished, this, [](int code) {
            say(QStringLiteral("program ended: %1").arg(code));
            QCoreApplication::exit(code);
        });
        m_program.start(command.first(), command.mid(1));
        if (!m_program.waitForStarted()) {
            say(QStringLiteral("error: cannot start %1").arg(command.first()));
            return false;
        }
        say(QStringLiteral("machine ready"));
        return true;
    }

private:
    void onInput()
    {
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            m_input.setEnabled(false);
            m_program.terminate();
            return;
        }
        m_line.append(buffer, n);
        for (qsizetype end; (end = m_line.indexOf('\n')) >= 0;) {
            const QStringList words = QString::fromUtf8(m_line.left(end)).simplified().split(u' ');
            m_line.remove(0, end + 1);
            command(words);
        }
    }

    void command(const QStringList& words)
    {
        const QString verb = words.value(0);
        if (verb == QLatin1String("ring")) {
            m_modem.ring();
        } else if (verb == QLatin1String("call") && words.size() >= 2) {
            m_modem.ring();
            m_modem.send(ModemEmulator::formattedBlock(
                words.at(1), words.mid(2).join(u' '), QDateTime::currentDateTime()));
        } else if (verb == QLatin1String("check")) {
            bool silent = true;
            for (const QString& port : std::as_const(m_others)) {
                const QByteArray heard = m_machine.received(port);
                if (!heard.isEmpty()) {
                    silent = false;
                    say(QStringLiteral("heard %1: %2")
                            .arg(port, QString::fromLatin1(heard.toHex())));
                }
            }
            if (silent)
                say(QStringLiteral("silent"));
        } else if (verb == QLatin1String("quit")) {
            m_program.terminate();
        } else if (!verb.isEmpty()) {
            say(QStringLiteral("error: unknown command '%1'").arg(verb));
        }
    }

    FakeMachine m_machine;
    ModemEmulator m_modem;
    QStringList m_others;
    QProcess m_program;
    QSocketNotifier m_input { STDIN_FILENO, QSocketNotifier::Read };
    QByteArray m_line;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList command = app.arguments().mid(1);
    if (command.isEmpty()) {
        std::fprintf(stderr, "usage: fake-machine-run PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    Run run;
    if (!run.start(command))
        return 1;
    return app.exec();
}
