#include "scheduler.h"
#include "stepsequence.h"

#include <QTest>

using Log = QList<QPair<QString, qint64>>;

class TestStepSequence : public QObject
{
    Q_OBJECT
private slots:
    void stepsRunAtTheirMoments();
    void stepsAddedFromAStepComeAfterTheQueuedOnes();
    void cancelDropsEverythingStillToCome_data();
    void cancelDropsEverythingStillToCome();
    void destroyingCancels();
};

void TestStepSequence::stepsRunAtTheirMoments()
{
    ManualScheduler clock;
    StepSequence sequence(clock);
    Log log;
    auto mark = [&](const char *what) { return [&, what] { log.append({what, clock.now()}); }; };
    sequence.then(mark("a")).wait(700).then(mark("b")).then(mark("c")).wait(300).then(mark("d"));
    // An idle sequence starts at once: the first step has already happened.
    QCOMPARE(log, (Log{{"a", 0}}));
    QVERIFY(sequence.isRunning());
    clock.advance(699);
    QCOMPARE(log.size(), 1);
    clock.advance(1);
    QCOMPARE(log, (Log{{"a", 0}, {"b", 700}, {"c", 700}}));
    clock.advance(300);
    QCOMPARE(log.last(), (QPair<QString, qint64>{"d", 1000}));
    QVERIFY(!sequence.isRunning());
    QVERIFY(!clock.hasPending());
}

void TestStepSequence::stepsAddedFromAStepComeAfterTheQueuedOnes()
{
    ManualScheduler clock;
    StepSequence sequence(clock);
    Log log;
    auto mark = [&](const char *what) { return [&, what] { log.append({what, clock.now()}); }; };
    sequence.wait(100)
        .then([&] {
            mark("first")();
            sequence.wait(200).then(mark("added"));
        })
        .then(mark("queued"));
    clock.runUntilIdle();
    QCOMPARE(log, (Log{{"first", 100}, {"queued", 100}, {"added", 300}}));
}

void TestStepSequence::cancelDropsEverythingStillToCome_data()
{
    QTest::addColumn<qint64>("cancelAt");
    QTest::addColumn<int>("stepsDone");
    QTest::newRow("during the first pause") << qint64(50) << 1;
    QTest::newRow("at the moment of a step, after it") << qint64(100) << 2;
    QTest::newRow("during the last pause") << qint64(250) << 2;
}

void TestStepSequence::cancelDropsEverythingStillToCome()
{
    QFETCH(qint64, cancelAt);
    ManualScheduler clock;
    StepSequence sequence(clock);
    int done = 0;
    sequence.then([&] { ++done; }).wait(100).then([&] { ++done; }).wait(200).then([&] { ++done; });
    clock.advance(cancelAt);
    sequence.cancel();
    QVERIFY(!sequence.isRunning());
    QVERIFY(!clock.hasPending());
    clock.advance(10'000);
    QTEST(done, "stepsDone");

    // The same sequence takes a new run afterwards, which starts at once.
    sequence.then([&] { done = 100; }).wait(10).then([&] { ++done; });
    QCOMPARE(done, 100);
    clock.advance(10);
    QCOMPARE(done, 101);
}

void TestStepSequence::destroyingCancels()
{
    ManualScheduler clock;
    bool ran = false;
    {
        StepSequence sequence(clock);
        sequence.wait(100).then([&] { ran = true; });
    }
    QVERIFY(!clock.hasPending());
    clock.advance(1000);
    QVERIFY(!ran);
}

QTEST_APPLESS_MAIN(TestStepSequence)
#include "test_stepsequence.moc"
