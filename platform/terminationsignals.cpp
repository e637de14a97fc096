// Termination signals through a self-pipe: the handler only writes the signal's number, a
// socket notifier on the other end reports it in the event loop.
#include "terminationsignals.h"

#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kestrum {

namespace {

// The pipe of the active object: [0] read by the notifier, [1] written by the handler.
int pipeEnds[2] = {-1, -1};

extern "C" void writeSignalNumber(int signalNumber) {
    // Only async-signal-safe calls here. A full pipe drops the number: enough of them are
    // already waiting to end the program.
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

struct TerminationSignals::Previous {
    int signalNumber;
    struct sigaction action;
};

TerminationSignals::TerminationSignals(std::initializer_list<int> signalNumbers, QObject *parent)
    : QObject(parent) {
    if (pipeEnds[0] >= 0 || ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
    for (const int signalNumber : signalNumbers) {
        struct sigaction action {};
        action.sa_handler = writeSignalNumber;
        sigemptyset(&action.sa_mask);
        // Calls interrupted by the signal go on: the work happens later, in the event loop.
        action.sa_flags = SA_RESTART;
        Previous previous{signalNumber, {}};
        if (::sigaction(signalNumber, &action, &previous.action) == 0)
            m_previous.push_back(previous);
    }
}

TerminationSignals::~TerminationSignals() {
    if (!m_notifier)
        return;
    for (auto it = m_previous.rbegin(); it != m_previous.rend(); ++it)
        ::sigaction(it->signalNumber, &it->action, nullptr);
    delete m_notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void TerminationSignals::readPending() {
    // A receiver may delete this object.
    const QPointer<TerminationSignals> self(this);
    unsigned char numbers[64];
    ssize_t count;
    while (self && (count = ::read(pipeEnds[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < count && self; ++i)
            Q_EMIT received(numbers[i]);
    }
}

} // namespace kestrum
