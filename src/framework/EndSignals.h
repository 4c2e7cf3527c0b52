#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Turns the signals with which a session or a user asks a process to end
// (SIGTERM at logout or from kill, SIGHUP when the terminal goes, SIGINT from
// Ctrl+C) into a call on the event loop, so that the program ends as it does
// on its own "Çıkış": windows, ports, locks and sockets all released. The
// signal handler only writes the signal's number to a pipe; everything else
// happens when the event loop reads it. A signal ignored when the program
// started (nohup, a background job) stays ignored. One at a time; the
// previous handlers come back when it goes.
class EndSignals : public QObject
{
    Q_OBJECT
public:
    // ON_SIGNAL runs on the event loop with the signal's number; by default
    // the application's message loop ends.
    explicit EndSignals(std::function<void(int signal)> onSignal = {}, QObject* parent = nullptr);
    ~EndSignals() override;

    // False when the pipe or a handler could not be set up (the signals then
    // end the process as before).
    bool active() const { return m_notifier != nullptr; }

    static const int Signals[3];

private:
    void readSignals();

    std::function<void(int)> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};
