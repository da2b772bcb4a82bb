// Where the score file goes. CI runs as root, whom permission bits do not stop, so most
// unwritable program folders here are ones nobody can write: below a regular file, or a score
// "file" that is really a folder. The permission-bit cases run for ordinary users only.
#include "leaderboard/scorefolder.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {
enum class Program
{
    Empty,
    WithScores,
    BelowAFile,
    ScoresAreAFolder,
    ReadOnly // permission bits
};

enum class User
{
    Missing, // made on first use, parents and all
    WithScores,
    BelowAFile,
    Unknown
};

const QByteArray Scores = "Lily,300\r\n0,0\r\n";
const QDateTime LongAgo = QDateTime::fromSecsSinceEpoch(1'600'000'000, Qt::UTC);

bool writeScores(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(Scores) == Scores.size() && f.flush() &&
           f.setFileTime(LongAgo, QFileDevice::FileModificationTime);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}
} // namespace

Q_DECLARE_METATYPE(Program)
Q_DECLARE_METATYPE(User)

class TestScoreFolder : public QObject
{
    Q_OBJECT
private slots:
    void choosesTheFolder_data();
    void choosesTheFolder();
};

void TestScoreFolder::choosesTheFolder_data()
{
    QTest::addColumn<Program>("program");
    QTest::addColumn<User>("user");
    QTest::addColumn<bool>("keepsProgramFolder");

    QTest::newRow("writable, first game") << Program::Empty << User::Missing << true;
    QTest::newRow("writable with old scores, though the user has some too")
        << Program::WithScores << User::WithScores << true;
    QTest::newRow("cannot exist: user folder made")
        << Program::BelowAFile << User::Missing << false;
    QTest::newRow("score file is a folder: user folder")
        << Program::ScoresAreAFolder << User::WithScores << false;
    QTest::newRow("read-only folder: user folder") << Program::ReadOnly << User::Missing << false;
    QTest::newRow("nothing writable: program folder, to read its table")
        << Program::BelowAFile << User::BelowAFile << true;
    QTest::newRow("no user folder known") << Program::ScoresAreAFolder << User::Unknown << true;
}

void TestScoreFolder::choosesTheFolder()
{
    QFETCH(Program, program);
    QFETCH(User, user);
    QFETCH(bool, keepsProgramFolder);
    if (program == Program::ReadOnly && geteuid() == 0)
        QSKIP("root writes through permission bits");

    QTemporaryDir root;
    const QString blocker = root.filePath("a-file");
    QVERIFY(writeScores(blocker));
    QString programDir = root.filePath("game");
    QVERIFY(QDir().mkpath(programDir));
    const QString programScores = programDir + "/tavik.tmp";
    if (program == Program::WithScores)
        QVERIFY(writeScores(programScores));
    if (program == Program::ScoresAreAFolder)
        QVERIFY(QDir().mkpath(programScores));
    if (program == Program::BelowAFile)
        programDir = blocker + "/game";
    if (program == Program::ReadOnly)
        QVERIFY(QFile::setPermissions(programDir, QFile::ReadOwner | QFile::ExeOwner));
    auto unlock = qScopeGuard([&] {
        QFile::setPermissions(programDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });

    QString userDir = root.filePath("home/.local/share/shijianbao");
    if (user == User::WithScores)
        QVERIFY(QDir().mkpath(userDir) && writeScores(userDir + "/tavik.tmp"));
    if (user == User::BelowAFile)
        userDir = blocker + "/share/shijianbao";
    if (user == User::Unknown)
        userDir.clear();
    const QStringList before = entries(programDir);

    QCOMPARE(scoreFolder(programDir, userDir), keepsProgramFolder ? programDir : userDir);

    // Asking leaves nothing behind and touches no table, not even its time.
    QCOMPARE(entries(programDir), before);
    if (program == Program::WithScores) {
        QCOMPARE(QFileInfo(programScores).lastModified().toUTC(), LongAgo);
        QFile f(programScores);
        QVERIFY(f.open(QIODevice::ReadOnly) && f.readAll() == Scores);
    }
    if (keepsProgramFolder) // no user folder made for nothing
        QCOMPARE(QFileInfo::exists(root.filePath("home")), user == User::WithScores);
    else if (user == User::Missing) // made, but the table is the leaderboard's to create
        QCOMPARE(entries(userDir), QStringList());
}

QTEST_GUILESS_MAIN(TestScoreFolder)
#include "test_scorefolder.moc"
