#include "platform/scheduler.h"

#include <QTest>

class TestScheduler : public QObject
{
    Q_OBJECT
private slots:
    void qtClock()
    {
        QtScheduler scheduler;
        QList<int> ran;
        scheduler.runAfter(30, [&] { ran << 2; }); // after every cancelled one was due
        scheduler.runAfter(5, [&] { ran << 1; });
        scheduler.cancel(scheduler.runAfter(10, [&] { ran << 99; }));
        scheduler.runAfter(15,
                           [&] { scheduler.cancel(scheduler.runAfter(1, [&] { ran << 98; })); });
        QTRY_COMPARE_WITH_TIMEOUT(ran.size(), 2, 5000);
        QCOMPARE(ran, (QList<int>{1, 2}));
    }
};

QTEST_GUILESS_MAIN(TestScheduler)
#include "test_scheduler.moc"
