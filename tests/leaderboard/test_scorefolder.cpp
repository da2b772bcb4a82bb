// Where the score file is read and written. Permission bits do not stop root, so as root the
// read-only cases run in a child that has become nobody.
#include "leaderboard/scorefolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {
enum Where // what scorePlace() answered, as an exit code a child can hand back
{
    Beside,
    PerUser,
    ShowBesideKeepPerUser,
    SomethingMade,
    Other
};

struct Case
{
    bool installed, readOnly, tableBeside, userStarted, userKnown = true;
};

int whereFor(const Case &c)
{
    QTemporaryDir root;
    const QString program = root.filePath("game"), user = root.filePath("home/shijianbao");
    QDir().mkpath(program);
    if (c.tableBeside)
        QFile(program + "/tavik.tmp").open(QIODevice::WriteOnly);
    if (c.userStarted)
        QDir().mkpath(user) && QFile(user + "/tavik.tmp").open(QIODevice::WriteOnly);
    if (c.readOnly)
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    const QStringList before = QDir(root.path()).entryList(QDir::AllEntries | QDir::Hidden);
    const auto place =
        scorePlace(program, c.userKnown ? user : QString(), c.installed ? program : "/nowhere");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString beside = program + "/tavik.tmp", own = user + "/tavik.tmp";
    if (QDir(root.path()).entryList(QDir::AllEntries | QDir::Hidden) != before ||
        QDir(program).entryList(QDir::Files | QDir::Hidden).size() != int(c.tableBeside))
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
        QTest::newRow("read-only, per-user table started")
            << false << true << true << true << int(PerUser);
        QTest::newRow("read-only, no table") << false << true << false << false << int(PerUser);
    }
    void place()
    {
        QFETCH(bool, installed);
        QFETCH(bool, readOnly);
        QFETCH(bool, tableBeside);
        QFETCH(bool, userStarted);
        const Case c{installed, readOnly, tableBeside, userStarted};
        if (!readOnly || geteuid() != 0) {
            QTEST(whereFor(c), "where");
            return;
        }
        const pid_t child = fork();
        if (child == 0)
            _exit(setgid(65534) == 0 && setuid(65534) == 0 ? whereFor(c) : Other);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QTEST(WEXITSTATUS(status), "where");
    }
    void unknownUserFolderKeepsBeside()
    {
        QCOMPARE(whereFor({false, true, true, false, false}), int(Beside));
    }
};

QTEST_GUILESS_MAIN(TestScoreFolder)
#include "test_scorefolder.moc"
