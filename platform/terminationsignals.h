// Signals that ask a program to end (SIGTERM at a logout, SIGINT from Ctrl+C in a terminal,
// SIGHUP when the terminal goes), reported as a Qt signal in the event loop.
#pragma once

#include <QObject>

#include <initializer_list>
#include <vector>

class QSocketNotifier;

namespace kestrum {

// While the object lives, the signals it was given no longer end the process: each one that
// arrives is reported by received() from the event loop of the thread that created the object,
// where any work may be done (the handler itself only writes the number into a pipe). Its end
// puts the previous handling of each signal back. One object at a time per process.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(std::initializer_list<int> signalNumbers,
                                QObject *parent = nullptr);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

    // False when the signals could not be caught (no pipe, or another object is active); they
    // then keep their previous handling.
    bool isActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // Once for each signal that arrived, in order of arrival.
    void received(int signalNumber);

private:
    void readPending();

    struct Previous;
    std::vector<Previous> m_previous;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace kestrum
