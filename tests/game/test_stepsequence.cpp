#include "scheduler.h"
#include "stepsequence.h"

#include <QTest>

#include <memory>

// Timing and cancelling are seen through the game's rounds; these are the parts of the
// contract the game does not lean on yet.
class TestStepSequence : public QObject
{
    Q_OBJECT
private slots:
    void stepsAddedFromAStepWaitTheirTurnAndDestroyingCancels();
};

void TestStepSequence::stepsAddedFromAStepWaitTheirTurnAndDestroyingCancels()
{
    ManualScheduler clock;
    QList<QPair<QString, qint64>> log;
    auto sequence = std::make_unique<StepSequence>(clock);
    auto mark = [&](const char *what) { return [&, what] { log.append({what, clock.now()}); }; };
    sequence->wait(100)
        .then([&] {
            mark("first")();
            sequence->wait(100).then(mark("added"));
        })
        .then(mark("queued"))
        .wait(500)
        .then(mark("last queued"));
    clock.advance(650);
    QCOMPARE(log, (QList<QPair<QString, qint64>>{
                      {"first", 100}, {"queued", 100}, {"last queued", 600}}));
    QVERIFY(sequence->isRunning());
    sequence.reset();
    QVERIFY(!clock.hasPending());
    clock.advance(1000);
    QCOMPARE(log.size(), 3);
}

QTEST_APPLESS_MAIN(TestStepSequence)
#include "test_stepsequence.moc"
