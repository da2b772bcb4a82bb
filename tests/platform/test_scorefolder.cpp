// Where the score file goes: beside the program when it may be written there, otherwise in the
// user's data folder. Tests run as root in CI, where permission bits stop nothing, so the
// folders that cannot be written are ones no one can write: below a regular file, or a score
// "file" that is really a directory. The permission-bit cases run only for ordinary users.
#include "programdir.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

enum class ProgramFolder
{
    Writable,
    WritableWithScores,
    BelowAFile,        // the path runs through a regular file: nothing can be made there
    ScoresAreAFolder,  // a folder named like the score file: the table can never replace it
    ReadOnly,          // ordinary users only
    ReadOnlyScores,    // ordinary users only
    ReadOnlyWithScores // ordinary users only: old scores that can no longer be updated
};

enum class UserFolder
{
    Missing, // made on first use, parents and all
    Existing,
    BelowAFile, // cannot be made either
    Unknown     // no home to put it in
};

enum class Expect
{
    Program,
    User
};

const QByteArray Scores = "Lily,300\r\n0,0\r\n";

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(content), content.size());
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

} // namespace

class TestScoreFolder : public QObject
{
    Q_OBJECT
private slots:
    void choosesTheFolder_data();
    void choosesTheFolder();
    void probingLeavesTheProgramFolderAsItWas();
};

void TestScoreFolder::choosesTheFolder_data()
{
    QTest::addColumn<ProgramFolder>("program");
    QTest::addColumn<UserFolder>("user");
    QTest::addColumn<Expect>("expect");

    QTest::newRow("writable program folder, first game")
        << ProgramFolder::Writable << UserFolder::Missing << Expect::Program;
    QTest::newRow("writable program folder with its old scores")
        << ProgramFolder::WritableWithScores << UserFolder::Missing << Expect::Program;
    QTest::newRow("writable program folder even if the user folder has scores")
        << ProgramFolder::Writable << UserFolder::Existing << Expect::Program;
    QTest::newRow("program folder cannot exist: user folder made")
        << ProgramFolder::BelowAFile << UserFolder::Missing << Expect::User;
    QTest::newRow("program folder cannot exist: user folder already there")
        << ProgramFolder::BelowAFile << UserFolder::Existing << Expect::User;
    QTest::newRow("score file is a folder: user folder")
        << ProgramFolder::ScoresAreAFolder << UserFolder::Missing << Expect::User;
    QTest::newRow("read-only program folder: user folder")
        << ProgramFolder::ReadOnly << UserFolder::Missing << Expect::User;
    QTest::newRow("read-only score file in a writable folder: user folder")
        << ProgramFolder::ReadOnlyScores << UserFolder::Missing << Expect::User;
    QTest::newRow("read-only folder with old scores: user folder")
        << ProgramFolder::ReadOnlyWithScores << UserFolder::Existing << Expect::User;
    QTest::newRow("nothing writable: program folder, to read its table")
        << ProgramFolder::BelowAFile << UserFolder::BelowAFile << Expect::Program;
    QTest::newRow("no user folder known: program folder")
        << ProgramFolder::ScoresAreAFolder << UserFolder::Unknown << Expect::Program;
}

void TestScoreFolder::choosesTheFolder()
{
    QFETCH(ProgramFolder, program);
    QFETCH(UserFolder, user);
    QFETCH(Expect, expect);

    const bool needsPermissionBits = program == ProgramFolder::ReadOnly ||
                                     program == ProgramFolder::ReadOnlyScores ||
                                     program == ProgramFolder::ReadOnlyWithScores;
    if (needsPermissionBits && geteuid() == 0)
        QSKIP("root writes through permission bits");

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString blocker = root.filePath(QStringLiteral("a-file"));
    writeFile(blocker, "not a folder");

    QString programDir = root.filePath(QStringLiteral("game"));
    QVERIFY(QDir().mkpath(programDir));
    const QString programScores = programDir + QStringLiteral("/tavik.tmp");
    switch (program) {
    case ProgramFolder::Writable:
        break;
    case ProgramFolder::WritableWithScores:
    case ProgramFolder::ReadOnlyWithScores:
        writeFile(programScores, Scores);
        break;
    case ProgramFolder::BelowAFile:
        programDir = blocker + QStringLiteral("/game");
        break;
    case ProgramFolder::ScoresAreAFolder:
        QVERIFY(QDir().mkpath(programScores));
        break;
    case ProgramFolder::ReadOnly:
        break;
    case ProgramFolder::ReadOnlyScores:
        writeFile(programScores, Scores);
        QVERIFY(QFile::setPermissions(programScores, QFile::ReadOwner | QFile::ReadGroup));
        break;
    }
    const bool readOnlyFolder =
        program == ProgramFolder::ReadOnly || program == ProgramFolder::ReadOnlyWithScores;
    if (readOnlyFolder)
        QVERIFY(QFile::setPermissions(programDir, QFile::ReadOwner | QFile::ExeOwner));
    auto restore = qScopeGuard([&] {
        if (readOnlyFolder)
            QFile::setPermissions(programDir,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });

    // Parents missing too, as on a first run in a fresh home.
    QString userDir = root.filePath(QStringLiteral("home/.local/share/shijianbao"));
    switch (user) {
    case UserFolder::Missing:
        break;
    case UserFolder::Existing:
        QVERIFY(QDir().mkpath(userDir));
        writeFile(userDir + QStringLiteral("/tavik.tmp"), Scores);
        break;
    case UserFolder::BelowAFile:
        userDir = blocker + QStringLiteral("/share/shijianbao");
        break;
    case UserFolder::Unknown:
        userDir.clear();
        break;
    }

    const QString chosen = scoreFolder(programDir, userDir);

    QCOMPARE(chosen, expect == Expect::Program ? programDir : userDir);
    if (expect == Expect::User) {
        QVERIFY(QFileInfo(userDir).isDir());
        // The file and its format are the leaderboard's; choosing a folder creates no table.
        if (user == UserFolder::Missing)
            QCOMPARE(entries(userDir), QStringList());
    } else if (!userDir.isEmpty() && user == UserFolder::Missing) {
        QVERIFY2(!QFileInfo::exists(root.filePath(QStringLiteral("home"))),
                 "a user folder made for nothing");
    }
}

// The probe must not disturb what is beside the program: no leftover file, the old table's
// bytes and modification time as they were.
void TestScoreFolder::probingLeavesTheProgramFolderAsItWas()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString programDir = root.path();
    const QString scores = programDir + QStringLiteral("/tavik.tmp");
    writeFile(scores, Scores);
    const QDateTime old = QDateTime::currentDateTimeUtc().addDays(-30);
    {
        QFile f(scores);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    const QStringList before = entries(programDir);

    QCOMPARE(scoreFolder(programDir, programDir + QStringLiteral("/unused")), programDir);

    QCOMPARE(entries(programDir), before);
    QCOMPARE(readAll(scores), Scores);
    QCOMPARE(QFileInfo(scores).lastModified().toUTC(), old);
}

QTEST_GUILESS_MAIN(TestScoreFolder)
#include "test_scorefolder.moc"
