#include "scheduler.h"

#include <QElapsedTimer>
#include <QTest>

class TestScheduler : public QObject
{
    Q_OBJECT
private slots:
    void manualRunsTasksAtTheirMomentsInOrder();
    void manualTaskScheduledByATaskRunsInTheSameAdvance();
    void manualCancelAndCancelOfFinishedTask();
    void qtSchedulerRunsInOrderAndCancels();
};

void TestScheduler::manualRunsTasksAtTheirMomentsInOrder()
{
    ManualScheduler clock;
    QList<QPair<int, qint64>> ran;
    clock.runAfter(700, [&] { ran.append({1, clock.now()}); });
    clock.runAfter(200, [&] { ran.append({2, clock.now()}); });
    clock.runAfter(700, [&] { ran.append({3, clock.now()}); }); // same moment: in order given
    clock.advance(699);
    QCOMPARE(ran, (QList<QPair<int, qint64>>{{2, 200}}));
    clock.advance(1);
    QCOMPARE(ran, (QList<QPair<int, qint64>>{{2, 200}, {1, 700}, {3, 700}}));
    QCOMPARE(clock.now(), 700);
    QVERIFY(!clock.hasPending());
}

void TestScheduler::manualTaskScheduledByATaskRunsInTheSameAdvance()
{
    ManualScheduler clock;
    QList<qint64> moments;
    std::function<void()> step = [&] {
        moments << clock.now();
        if (moments.size() < 4)
            clock.runAfter(200, step);
    };
    clock.runAfter(0, step);
    clock.advance(10'000);
    QCOMPARE(moments, (QList<qint64>{0, 200, 400, 600}));
    QCOMPARE(clock.now(), 10'000);
}

void TestScheduler::manualCancelAndCancelOfFinishedTask()
{
    ManualScheduler clock;
    int ran = 0;
    const auto a = clock.runAfter(100, [&] { ++ran; });
    const auto b = clock.runAfter(100, [&] { ran += 10; });
    clock.cancel(b);
    clock.advance(100);
    clock.cancel(a); // already ran: nothing happens
    clock.cancel(12345);
    QCOMPARE(ran, 1);
    QCOMPARE(clock.nextDue(), -1);
}

void TestScheduler::qtSchedulerRunsInOrderAndCancels()
{
    QtScheduler scheduler;
    QList<int> ran;
    scheduler.runAfter(30, [&] { ran << 2; });
    scheduler.runAfter(5, [&] { ran << 1; });
    const auto cancelled = scheduler.runAfter(10, [&] { ran << 99; });
    scheduler.cancel(cancelled);
    // A task that schedules and cancels others while it runs.
    scheduler.runAfter(15, [&] {
        const auto inner = scheduler.runAfter(1, [&] { ran << 98; });
        scheduler.cancel(inner);
    });
    QTRY_COMPARE_WITH_TIMEOUT(ran.size(), 2, 5000);
    QCOMPARE(ran, (QList<int>{1, 2}));
}

QTEST_GUILESS_MAIN(TestScheduler)
#include "test_scheduler.moc"
