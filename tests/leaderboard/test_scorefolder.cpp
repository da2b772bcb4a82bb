// Where the score file is read and written. Permission bits do not stop root, so as root the
// read-only cases run in a child that has become nobody.
#include "leaderboard/scorefolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {
// What scorePlace() answered, as an exit code a child can hand back.
enum Where { Beside, PerUser, ShowBesideKeepPerUser, SomethingMade, Other };

int where()
{
    QFETCH(bool, installed);
    QFETCH(bool, readOnly);
    QFETCH(bool, tableBeside);
    QFETCH(bool, userStarted);
    QTemporaryDir root;
    const QString program = root.filePath("game"), user = root.filePath("home/shijianbao");
    const QString beside = program + "/tavik.tmp", own = user + "/tavik.tmp";
    QDir().mkpath(program);
    if (tableBeside)
        QFile(beside).open(QIODevice::WriteOnly);
    if (userStarted)
        QDir().mkpath(user) && QFile(own).open(QIODevice::WriteOnly);
    if (readOnly)
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    const auto place = scorePlace(program, user, installed ? program : "/nowhere");
    if (QDir(root.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size() !=
            1 + int(userStarted) ||
        QDir(program).entryList(QDir::Files | QDir::Hidden).size() != int(tableBeside))
        return SomethingMade;
    if (place.readPath == beside)
        return place.writePath == beside ? Beside : ShowBesideKeepPerUser;
    return place.readPath == own && place.writePath == own ? PerUser : Other;
}
} // namespace

class TestScoreFolder : public QObject
{
    Q_OBJECT
private slots:
    void place_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("tableBeside");
        QTest::addColumn<bool>("userStarted");
        QTest::addColumn<int>("where");
        QTest::newRow("own folder, writable") << false << false << true << true << int(Beside);
        QTest::newRow("installed: per user, though writable and holding a table")
            << true << false << true << false << int(PerUser);
        QTest::newRow("read-only with a table: shown, the copy goes per user")
            << false << true << true << false << int(ShowBesideKeepPerUser);
        QTest::newRow("read-only, per-user table started") << false << true << true << true << int(PerUser);
        QTest::newRow("read-only, no table") << false << true << false << false << int(PerUser);
    }
    void place()
    {
        QFETCH(bool, readOnly);
        const pid_t child = readOnly && geteuid() == 0 ? fork() : -1;
        if (child == 0)
            _exit(setgid(65534) || setuid(65534) ? Other : where());
        int status = child > 0 ? 0 : where() << 8;
        QVERIFY(child < 0 || waitpid(child, &status, 0) == child);
        QTEST(WEXITSTATUS(status), "where");
    }
};

QTEST_GUILESS_MAIN(TestScoreFolder)
#include "test_scorefolder.moc"
