// Named cases of the score file and of where it is kept. The fuzz replay (fuzz/) already
// compares reading, ranking and writing back against a model on many inputs, so these are the
// cases a reader should see.
#include "platform/terminationsignals.h"
#include "scorefixtures.h"
#include "scores/safefile.h"
#include "scores/scorefile.h"
#include "scores/scorefolder.h"

#include <QProcess>
#include <QTest>

#include <sys/wait.h>

using ScoreFile::Outcome;
using ScoreFile::WriteStatus;

Q_DECLARE_METATYPE(Outcome)

namespace {
// What scorePlace() answered, as an exit code a child can hand back.
enum Where
{
    Beside,
    PerUser,
    ShowBesideKeepPerUser,
    SomethingMade,
    Other
};

// In a folder of its own under `base`. XDG_DATA_HOME is relative, which the XDG rules say to
// ignore: the player's data folder is ~/.local/share.
int where(const QString &base)
{
    QFETCH(bool, installed);
    QFETCH(bool, readOnly);
    QFETCH(int, tableMode);
    QFETCH(bool, userStarted);
    QTemporaryDir root(base + "/XXXXXX");
    const QString program = root.filePath("game");
    const QString user = root.filePath("home/.local/share/") + QCoreApplication::applicationName();
    const QString beside = program + "/tavik.tmp", own = user + "/tavik.tmp";
    qputenv("HOME", QFile::encodeName(root.filePath("home"))) && qputenv("XDG_DATA_HOME", "share");
    QDir().mkpath(program);
    if (tableMode < 0) // no home at all
        qunsetenv("HOME");
    if (tableMode > 0)
        QFile(beside).open(QIODevice::WriteOnly) && ::chmod(QFile::encodeName(beside), tableMode);
    if (userStarted)
        QDir().mkpath(user) && QFile(own).open(QIODevice::WriteOnly);
    if (readOnly)
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    const auto place = installed ? scorePlace(program, user, program) : scorePlace(program);
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (QDir(root.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size() !=
            1 + int(userStarted) ||
        QDir(program).entryList(QDir::Files | QDir::Hidden).size() != int(tableMode > 0))
        return SomethingMade;
    if (place.readPath == beside)
        return place.writePath == beside ? Beside : ShowBesideKeepPerUser;
    return place.readPath == own && place.writePath == own ? PerUser : Other;
}
} // namespace

class TestScoreFile : public QObject
{
    Q_OBJECT

private slots:
    // What stands at the path, opening (an opening earlier in the run left "old,77" in every
    // slot, which a short file leaves as it is), then confirming `name` unless it is empty, and
    // every file in the folder afterwards, byte for byte ("f" is the score file holding the
    // bytes given). When writing fails, all must be just as it was. Nothing may block: the
    // alarm ends a test that hangs on a pipe. Damaged lines are the fuzz replay's (fuzz/).
    void openAndConfirm_data()
    {
        QTest::addColumn<FileState>("state");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("score");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QByteArray>("table"); // as the window shows it
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("after");

        const FileState C = FileState::Content;
        const auto f = [](const QByteArray &bytes) { return "tavik.tmp:" + bytes + '\n'; };
        const QByteArray nineZeros = crlfLines(QByteArrayList(9, "0,0")),
                         ann = "ann,5000\r\n" + FirstNine;
        const QByteArray linked = "tavik.tmp->victim.txt\nvictim.txt:";
        QTest::newRow("missing: created, score 0 still first")
            << FileState::Missing << QByteArray() << 0 << Outcome::Created << TenZeros << "ann"
            << f("ann,0\r\n" + nineZeros);
        QTest::newRow("ten zeros, 1 is first; a comma made full-width")
            << C << TenZeros << 1 << Outcome::MadeTable << TenZeros << "a,b"
            << f("a\xA3\xAC"
                 "b,1\r\n" +
                 nineZeros);
        QTest::newRow("another user's table: stays theirs")
            << FileState::OthersTable << Descending << 5000 << Outcome::MadeTable << Descending
            << "ann" << f(ann);
        QTest::newRow("another user's folder: a new table is theirs")
            << FileState::OthersFolder << QByteArray() << 0 << Outcome::Created << TenZeros << "ann"
            << f("ann,0\r\n" + nineZeros);
        QTest::newRow("read-only: shown, nothing saved, by root either")
            << FileState::ReadOnly << Descending << 5000 << Outcome::ReadOnly << Descending << "ann"
            << f(Descending);
        QTest::newRow("no folder: nothing made")
            << FileState::FolderGone << QByteArray() << 650 << Outcome::Fresh << TenZeros << "ann"
            << QByteArray();
        QTest::newRow("another copy confirmed 5000 meanwhile")
            << C << Descending << 650 << Outcome::MadeTable << Descending << "B"
            << f(crlfLines({"A,5000", "p0,1000", "p1,900", "p2,800", "p3,700", "B,650", "p4,600",
                            "p5,500", "p6,400", "p7,300"}));
        QTest::newRow("disk full") << C << Descending << 5000 << Outcome::MadeTable << Descending
                                   << "ann" << f(Descending);
        QTest::newRow("pipe") << FileState::Pipe << QByteArray() << 5000 << Outcome::Unreadable
                              << TenZeros << "ann" << QByteArray("tavik.tmp|\n");
        QTest::newRow("another user's link")
            << FileState::ForeignLink << Descending << 5000 << Outcome::Unreadable << TenZeros
            << "ann" << linked + Descending + '\n';
        QTest::newRow("own link") << FileState::OwnLink << Descending << 5000 << Outcome::MadeTable
                                  << Descending << "ann" << linked + ann + '\n';
        QTest::newRow("own link to nowhere: replaced, nothing appears there")
            << FileState::DanglingLink << QByteArray() << 5000 << Outcome::Fresh << TenZeros
            << "ann" << f("ann,5000\r\n" + nineZeros);
    }
    void openAndConfirm()
    {
        QFETCH(FileState, state);
        QFETCH(QByteArray, content);
        QFETCH(int, score);
        QFETCH(QString, name);
        const bool diskFull = QTest::currentDataTag() == QByteArrayView("disk full");
        QFETCH(Outcome, outcome);
        QTemporaryDir dir;
        const QString path = ScoreFile::pathFor(dir.path() + '/');
        if (!prepare(state, dir, path, content))
            QSKIP("only root can give a file to another user");
        const auto owner = [](const QString &p) {
            QFileInfo i(p);
            return QList{i.ownerId(), i.groupId()};
        };
        const QFile::Permissions mode = QFileInfo(path).permissions();
        alarm(10);
        auto noAlarm = qScopeGuard([] { alarm(0); });
        ScoreTable table;
        table.fill({"old", "old", 77});

        qint16 insertion = 42;
        QCOMPARE(ScoreFile::open({path, path, {}}, score, table, insertion), outcome);
        QByteArray shown;
        for (const ScoreEntry &entry : table)
            shown += entry.name.toUtf8() + ',' + QByteArray::number(entry.score) + "\r\n";
        QTEST(shown, "table");
        // Its entry stays; ours is ranked against the file as it is now.
        if (QTest::currentDataTag() == QByteArrayView("another copy confirmed 5000 meanwhile"))
            QVERIFY(prepare(FileState::Content, dir, path, "A,5000\r\n" + FirstNine));
        if (!name.isEmpty()) {
            const Troubled troubled(diskFull ? Trouble::DiskFull : Trouble::None, path);
            QCOMPARE(ScoreFile::writeBack(path, table, insertion, name, score) ==
                         WriteStatus::Written,
                     !diskFull && outcome != Outcome::Unreadable && outcome != Outcome::ReadOnly &&
                         state != FileState::FolderGone);
        }
        QTEST(everything(dir.path()), "after");
        // Every table is its folder owner's, and a rewritten one keeps its mode.
        if (QFileInfo::exists(path))
            QVERIFY(owner(path) == owner(dir.path()) &&
                    (!mode || QFileInfo(path).permissions() == mode));
    }
    // Where the score file is read and written (a table's mode in octal; 0: none; -1: none,
    // and HOME unset). Permission
    // bits do not stop root, so as root the read-only cases run as nobody, in folders that
    // nobody can reach, also when root's TMPDIR is private.
    void place_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<int>("tableMode");
        QTest::addColumn<bool>("userStarted");
        QTest::addColumn<int>("where");
        QTest::newRow("own folder, writable") << false << false << 0644 << true << int(Beside);
        QTest::newRow("installed: per user, though writable and holding a table")
            << true << false << 0644 << false << int(PerUser);
        QTest::newRow("read-only with a table: shown, the copy goes per user")
            << false << true << 0644 << false << int(ShowBesideKeepPerUser);
        QTest::newRow("read-only, per-user table started")
            << false << true << 0644 << true << int(PerUser);
        QTest::newRow("read-only, no table") << false << true << 0 << false << int(PerUser);
        QTest::newRow("read-only, no home: beside, nothing made")
            << false << true << -1 << false << int(Beside);
        QTest::newRow("table read-only, for root too: shown, the copy goes per user")
            << false << false << 0444 << false << int(ShowBesideKeepPerUser);
    }
    void place()
    {
        QFETCH(bool, readOnly);
        QTemporaryDir base("/tmp/XXXXXX");
        QVERIFY(::chmod(QFile::encodeName(base.path()), 01777) == 0);
        const pid_t child = fork();
        if (child == 0)
            _exit(readOnly && !geteuid() && (setgid(65534) || setuid(65534)) ? Other
                                                                             : where(base.path()));
        int status = 0;
        QVERIFY(child > 0 && waitpid(child, &status, 0) == child);
        QTEST(WEXITSTATUS(status), "where");
    }

    // A parent's `sudo -E` game keeps the child's HOME: the data folders root makes there, and
    // the table in them, are the child's, whose own game can then still save.
    void rootMakesFoldersForTheirOwner()
    {
        if (geteuid() != 0)
            QSKIP("only root makes folders for another user");
        QTemporaryDir home("/tmp/XXXXXX");
        QVERIFY(::chown(QFile::encodeName(home.path()), 65534, 65534) == 0);
        const QString table0 = home.filePath(".local/share/game/tavik.tmp");
        const ScoreFile::Place place{table0, table0, home.path()};
        ScoreTable table;
        qint16 at = -1;
        // A link the child planted where the game's folder goes, to a folder of root's.
        const QByteArray game = QFile::encodeName(home.filePath(".local/share/game"));
        QVERIFY(QDir(home.path()).mkpath(".local/share") && QDir(home.path()).mkdir("secret") &&
                ::symlink("../../secret", game) == 0 && ::lchown(game, 65534, 65534) == 0);
        for (const char *folder : {".local", ".local/share"})
            QVERIFY(::chown(QFile::encodeName(home.filePath(folder)), 65534, 65534) == 0);
        QVERIFY(ScoreFile::open(place, 100, table, at) == Outcome::Unreadable &&
                QDir(home.filePath("secret")).isEmpty() && ::unlink(game) == 0);
        QVERIFY(ScoreFile::open(place, 100, table, at) == Outcome::Created &&
                ScoreFile::writeBack(place, table, at, "mum", 100) == WriteStatus::Written);
        for (QString path = table0; path != home.path(); path = QFileInfo(path).absolutePath())
            QVERIFY2(QFileInfo(path).ownerId() == 65534 && QFileInfo(path).groupId() == 65534,
                     qPrintable(path));
    }

    // A save met at one of its steps by a signal (SIGKILL; SIGTERM, which the game takes through
    // its event loop, so the save ends first) or by the folder owner's script swapping the
    // table for a link to a file it wants overwritten, as root and as the owner (nobody), in a
    // folder of nobody's that both can reach. Then the leaderboard opens again.
    void interference_data()
    {
        QTest::addColumn<QByteArray>("step");
        QTest::addColumn<int>("signal"); // 0: the link swapped in
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<QByteArray>("after");
        const QByteArray victim = "victim.txt:mine\n", old = "tavik.tmp:" + Descending + '\n';
        const QByteArray saved = "tavik.tmp:ann,5000\r\n" + FirstNine + '\n';
        for (const bool nobody : {false, true}) {
            const char *who = nobody ? "nobody" : "root";
            QTest::addRow("%s: link swapped in after the check", who)
                << QByteArray("checked") << 0 << nobody << saved + victim;
            QTest::addRow("%s: SIGTERM once written", who)
                << QByteArray("written") << int(SIGTERM) << nobody << saved + victim;
            for (const char *step : {"checked", "made", "written", "renamed"})
                QTest::addRow("%s: killed once %s", who, step)
                    << QByteArray(step) << int(SIGKILL) << nobody
                    << (step == std::string_view("renamed") ? saved : old) + victim;
        }
    }
    void interference()
    {
        QFETCH(QByteArray, step);
        QFETCH(int, signal);
        QFETCH(bool, asNobody);
        if (!asNobody && geteuid() != 0)
            QSKIP("only root can play in another account's folder");
        QTemporaryDir base("/tmp/XXXXXX");
        const QString path = base.filePath("tavik.tmp"), victim = base.filePath("victim.txt");
        QVERIFY(prepare(FileState::Content, base, path) &&
                prepare(FileState::Content, base, victim, "mine"));
        for (const QString &p : {base.path(), path, asNobody ? victim : QString()})
            QVERIFY(p.isEmpty() || geteuid() != 0 ||
                    ::chown(QFile::encodeName(p), 65534, 65534) == 0);
        ScoreTable table;
        QVERIFY(ScoreFile::readTable(path, table) == ScoreFile::ReadStatus::Read);
        const pid_t child = fork();
        if (child == 0) {
            if (asNobody && geteuid() == 0 && (setgid(65534) || setuid(65534)))
                _exit(2);
            std::signal(SIGTERM, SIG_DFL); // as for a game started from a desktop
            const TerminationSignals terminationSignals;
            SafeFile::testStep = [&](const char *at) {
                if (step != at)
                    return;
                if (signal)
                    return void(::raise(signal));
                const bool swapped = QFile::remove(path) && QFile::link("victim.txt", path);
                if (!swapped || (geteuid() == 0 && ::lchown(QFile::encodeName(path), 65534, 65534)))
                    _exit(3);
            };
            _exit(ScoreFile::writeBack(path, table, 0, "ann", 5000) == WriteStatus::Written ? 0
                                                                                            : 1);
        }
        int status = 0;
        QVERIFY(child > 0 && waitpid(child, &status, 0) == child);
        QCOMPARE(status, signal == SIGKILL ? SIGKILL : 0); // a raw wait status
        qint16 at = -1;
        ScoreFile::open({path, path, {}}, 0, table, at);
        QTEST(everything(base.path()), "after");
        QCOMPARE(QFileInfo(path).ownerId(), geteuid() == 0 ? 65534u : geteuid());
    }

    // Another child's access to a shared table, given by an access list, stays.
    void keepsAccessList()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("tavik.tmp");
        QVERIFY(prepare(FileState::Content, dir, path));
        if (QProcess::execute("setfacl", {"-m", "u:65534:rw,g:65534:r", path}) != 0)
            QSKIP("needs setfacl (package acl) and a file system with access lists");
        const auto acl = [&] {
            QProcess getfacl;
            getfacl.start("getfacl", {"-n", "--omit-header", path});
            return getfacl.waitForFinished() ? getfacl.readAllStandardOutput() : QByteArray();
        };
        const QByteArray before = acl();
        QVERIFY(before.contains("user:65534:rw-\n") && before.contains("group:65534:r--\n"));
        ScoreTable table;
        QVERIFY(ScoreFile::readTable(path, table) == ScoreFile::ReadStatus::Read &&
                ScoreFile::writeBack(path, table, 0, "ann", 5000) == WriteStatus::Written);
        QCOMPARE(acl(), before);
        QCOMPARE(readBytes(path), "ann,5000\r\n" + FirstNine);
    }
};

QTEST_GUILESS_MAIN(TestScoreFile)
#include "test_scorefile.moc"
