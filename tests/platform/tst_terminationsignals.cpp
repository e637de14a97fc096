// Termination signals reported in the event loop, and the signals' handling put back after.
#include "terminationsignals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

using kestrum::TerminationSignals;

namespace {

volatile std::sig_atomic_t previousHandlerCalls = 0;

extern "C" void previousHandler(int) {
    previousHandlerCalls = previousHandlerCalls + 1;
}

} // namespace

class TestTerminationSignals : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reportedInTheEventLoopInOrder();
    void previousHandlingComesBack();
    void oneObjectAtATime();
};

void TestTerminationSignals::reportedInTheEventLoopInOrder() {
    TerminationSignals termination({SIGUSR1, SIGUSR2});
    QVERIFY(termination.isActive());
    QSignalSpy received(&termination, &TerminationSignals::received);
    // The process goes on: raise() returns, nothing is reported until events run.
    QCOMPARE(std::raise(SIGUSR1), 0);
    QCOMPARE(std::raise(SIGUSR2), 0);
    QCOMPARE(std::raise(SIGUSR1), 0);
    QCOMPARE(received.count(), 0);
    QTRY_COMPARE(received.count(), 3);
    QCOMPARE(received.at(0).at(0).toInt(), SIGUSR1);
    QCOMPARE(received.at(1).at(0).toInt(), SIGUSR2);
    QCOMPARE(received.at(2).at(0).toInt(), SIGUSR1);
}

void TestTerminationSignals::previousHandlingComesBack() {
    previousHandlerCalls = 0;
    const auto before = std::signal(SIGUSR1, previousHandler);
    {
        TerminationSignals termination({SIGUSR1});
        QSignalSpy received(&termination, &TerminationSignals::received);
        std::raise(SIGUSR1);
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(int(previousHandlerCalls), 0);
    }
    std::raise(SIGUSR1);
    QCOMPARE(int(previousHandlerCalls), 1);
    std::signal(SIGUSR1, before);
}

void TestTerminationSignals::oneObjectAtATime() {
    TerminationSignals first({SIGUSR1});
    TerminationSignals second({SIGUSR1});
    QVERIFY(first.isActive());
    QVERIFY(!second.isActive());
    QSignalSpy received(&first, &TerminationSignals::received);
    std::raise(SIGUSR1);
    QTRY_COMPARE(received.count(), 1);
}

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "tst_terminationsignals.moc"
