#include "EndSignals.h"

#include "Forms.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <utility>

const int EndSignals::Signals[3] = { SIGTERM, SIGHUP, SIGINT };

namespace {

// The pipe's ends, shared with the signal handler; -1 when none is set up.
int g_pipe[2] = { -1, -1 };
struct sigaction g_previous[3];
bool g_taken[3] = {};

extern "C" void onEndSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe already holds a request to end: losing this one loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
    errno = saved;
}

} // namespace

EndSignals::EndSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent)
    , m_onSignal(std::move(onSignal))
{
    if (!m_onSignal)
        m_onSignal = [](int) { Application()->Terminate(); };
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("EndSignals: cannot set up the signal pipe");
        return;
    }
    struct sigaction action
    {
    };
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        // A signal ignored by whoever started the program (nohup, a background
        // job) stays ignored, as that one wanted.
        g_taken[i] = ::sigaction(Signals[i], nullptr, &g_previous[i]) == 0
            && g_previous[i].sa_handler != SIG_IGN
            && ::sigaction(Signals[i], &action, nullptr) == 0;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &EndSignals::readSignals);
}

EndSignals::~EndSignals()
{
    if (!m_notifier)
        return;
    for (int i = 0; i < 3; ++i)
        if (std::exchange(g_taken[i], false))
            ::sigaction(Signals[i], &g_previous[i], nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void EndSignals::readSignals()
{
    unsigned char numbers[16];
    ssize_t got;
    while ((got = ::read(g_pipe[0], numbers, sizeof numbers)) > 0)
        for (ssize_t i = 0; i < got; ++i)
            Application()->Guard(this, [&] { m_onSignal(numbers[i]); });
}
