#include "scheduler.h"

#include <QTest>

class TestScheduler : public QObject
{
    Q_OBJECT
private slots:
    void manualClock();
    void qtClock();
};

void TestScheduler::manualClock()
{
    ManualScheduler clock;
    QList<QPair<int, qint64>> ran;
    auto note = [&](int tag) { return [&, tag] { ran.append({tag, clock.now()}); }; };
    clock.runAfter(700, note(1));
    const auto two = clock.runAfter(200, [&] {
        note(2)();
        clock.runAfter(100, note(4)); // due before the advance ends: runs in it, on time
    });
    clock.runAfter(700, note(3)); // the same moment as 1: after it, in the order given
    clock.cancel(clock.runAfter(300, note(99)));

    clock.advance(699);
    QCOMPARE(ran, (QList<QPair<int, qint64>>{{2, 200}, {4, 300}}));
    clock.advance(1);
    QCOMPARE(ran, (QList<QPair<int, qint64>>{{2, 200}, {4, 300}, {1, 700}, {3, 700}}));
    QCOMPARE(clock.now(), 700);
    clock.cancel(two); // finished, or never given: ignored
    clock.cancel(12345);
    QCOMPARE(clock.nextDue(), -1);
}

void TestScheduler::qtClock()
{
    QtScheduler scheduler;
    QList<int> ran;
    scheduler.runAfter(30, [&] { ran << 2; }); // after every cancelled one was due
    scheduler.runAfter(5, [&] { ran << 1; });
    scheduler.cancel(scheduler.runAfter(10, [&] { ran << 99; }));
    scheduler.runAfter(15, [&] { scheduler.cancel(scheduler.runAfter(1, [&] { ran << 98; })); });
    QTRY_COMPARE_WITH_TIMEOUT(ran.size(), 2, 5000);
    QCOMPARE(ran, (QList<int>{1, 2}));
}

QTEST_GUILESS_MAIN(TestScheduler)
#include "test_scheduler.moc"
