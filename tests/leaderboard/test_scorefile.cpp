// Named cases of the score file. The fuzz replay (fuzz/) already compares reading, ranking and
// writing back against a model on many inputs, so these are the cases a reader should see.
#include "leaderboard/scorefile.h"
#include "scorefixtures.h"

#include <QTest>

using ScoreFile::Outcome;
using ScoreFile::WriteStatus;

Q_DECLARE_METATYPE(Outcome)

namespace {
const QByteArray TieTable =
    crlfLines({"a,500", "b,400", "c,400", "d,300", "e,0", "f,0", "g,0", "h,0", "i,0", "j,0"});

// The table as the window shows it, one "name,score" line a slot.
QByteArray shown(const ScoreTable &table)
{
    QByteArray out;
    for (const ScoreEntry &entry : table)
        out += entry.name.toUtf8() + ',' + QByteArray::number(entry.score) + "\r\n";
    return out;
}
} // namespace

class TestScoreFile : public QObject
{
    Q_OBJECT

private slots:
    void openAndConfirm_data();
    void openAndConfirm();
    void hostilePaths_data();
    void hostilePaths();
    void twoCopiesKeepBothEntries();
};

// Open (an opening earlier in the run left "old,77" in every slot, which a short file leaves
// as it is), then confirm `name` unless it is empty, and compare the file byte for byte. When
// writing fails, the file must be just as it was. Damaged lines are the fuzz replay's (fuzz/).
void TestScoreFile::openAndConfirm_data()
{
    QTest::addColumn<FileState>("state");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("score");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("insertion");
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("name");
    QTest::addColumn<Trouble>("trouble");
    QTest::addColumn<QByteArray>("after");

    const FileState C = FileState::Content;
    const Trouble ok = Trouble::None;
    const QByteArray nineZeros = repeatedLine("0,0", 9);
    QTest::newRow("missing: created, score 0 still first")
        << FileState::Missing << QByteArray() << 0 << Outcome::Created << 0 << TenZeros << "ann"
        << ok << "ann,0\r\n" + nineZeros;
    QTest::newRow("ten zeros, 0 misses")
        << C << TenZeros << 0 << Outcome::MissedTable << -1 << TenZeros << "" << ok << TenZeros;
    QTest::newRow("ten zeros, 1 is first; a comma made full-width")
        << C << TenZeros << 1 << Outcome::MadeTable << 0 << TenZeros << "a,b" << ok
        << QByteArray("a\xA3\xAC"
                      "b,1\r\n") +
               nineZeros;
    QTest::newRow("tie goes below both 400s, the tenth drops off")
        << C << TieTable << 400 << Outcome::MadeTable << 3 << TieTable << "new" << ok
        << crlfLines(
               {"a,500", "b,400", "c,400", "new,400", "d,300", "e,0", "f,0", "g,0", "h,0", "i,0"});
    QTest::newRow("GBK name") << C << XiaoMing + ",120\r\n"
                              << 100 << Outcome::MadeTable << 1
                              << "小明,120\r\n" + repeatedLine("old,77", 9) << "" << ok
                              << XiaoMing + ",120\r\n";
    QTest::newRow("no folder: nothing made")
        << FileState::FolderGone << QByteArray() << 650 << Outcome::Fresh << 0 << TenZeros << ""
        << ok << QByteArray();
    for (Trouble trouble : {Trouble::DiskFull, Trouble::Locked})
        QTest::newRow(trouble == Trouble::DiskFull ? "disk full" : "another copy holds the lock")
            << C << Descending << 2000 << Outcome::MadeTable << 0 << Descending << "top" << trouble
            << Descending;
}

void TestScoreFile::openAndConfirm()
{
    QFETCH(FileState, state);
    QFETCH(QByteArray, content);
    QFETCH(int, score);
    QFETCH(QString, name);
    QFETCH(Trouble, trouble);
    QTemporaryDir dir;
    const QString path = ScoreFile::pathFor(dir.path() + '/');
    QVERIFY(prepare(state, dir, path, content));
    ScoreTable table;
    table.fill({"old", "old", 77});

    qint16 insertion = 42;
    QTEST(ScoreFile::open({path, path}, score, table, insertion), "outcome");
    QTEST(int(insertion), "insertion");
    QTEST(shown(table), "table");
    if (!name.isEmpty()) {
        Troubled troubled(trouble, path);
        QCOMPARE(ScoreFile::writeBack(path, table, insertion, name, score) == WriteStatus::Written,
                 trouble == Trouble::None);
    }
    QTEST(readBytes(path), "after");
    if (state != FileState::FolderGone)
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"tavik.tmp"});
}

// What can stand at the path, and every file around it after opening and after confirming
// "ann" with 5000. Nothing may block: the alarm ends a test that hangs on a pipe.
void TestScoreFile::hostilePaths_data()
{
    QTest::addColumn<FileState>("state");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("confirmed"); // empty: as opened
    using S = QString;

    const QByteArray ann = "ann,5000\r\n" + Descending.first(Descending.lastIndexOf("p9"));
    const QByteArray fresh = "ann,5000\r\n" + repeatedLine("0,0", 9);
    QTest::newRow("pipe") << FileState::Pipe << Outcome::Unreadable << S("tavik.tmp|\n") << S();
    QTest::newRow("folder") << FileState::Directory << Outcome::Unreadable << S("tavik.tmp/\n")
                            << S();
    QTest::newRow("own link to a device")
        << FileState::DeviceLink << Outcome::Unreadable << S("tavik.tmp->/dev/zero\n") << S();
    const QString linked = "tavik.tmp->victim.txt\nvictim.txt:";
    QTest::newRow("another user's link")
        << FileState::ForeignLink << Outcome::Unreadable << linked + Descending + '\n'
        << S();
    QTest::newRow("own link") << FileState::OwnLink << Outcome::MadeTable
                              << linked + Descending + '\n'
                              << linked + ann + '\n';
    QTest::newRow("own link to nowhere: replaced, nothing appears there")
        << FileState::DanglingLink << Outcome::Fresh << S("tavik.tmp->nowhere.txt\n")
        << S("tavik.tmp:" + fresh + '\n');
}

void TestScoreFile::hostilePaths()
{
    QFETCH(FileState, state);
    QFETCH(Outcome, outcome);
    QFETCH(QString, opened);
    QFETCH(QString, confirmed);
    QTemporaryDir dir;
    const QString path = ScoreFile::pathFor(dir.path() + '/');
    if (!prepare(state, dir, path))
        QSKIP("only root can give a link to another user");
    alarm(10);
    auto noAlarm = qScopeGuard([] { alarm(0); });

    ScoreTable table;
    qint16 insertion = -1;
    QCOMPARE(ScoreFile::open({path, path}, 5000, table, insertion), outcome);
    QCOMPARE(everything(dir.path()), opened);
    const auto status = ScoreFile::writeBack(path, table, insertion, "ann", 5000);
    QCOMPARE(status == WriteStatus::Written, outcome != Outcome::Unreadable);
    QCOMPARE(everything(dir.path()), confirmed.isEmpty() ? opened : confirmed);
}

// Two copies of the game open the same table; the second to confirm keeps the first's entry,
// ranked against the file as it is now.
void TestScoreFile::twoCopiesKeepBothEntries()
{
    QTemporaryDir dir;
    const QString path = ScoreFile::pathFor(dir.path() + '/');
    QVERIFY(prepare(FileState::Content, dir, path));
    ScoreTable a, b;
    qint16 atA = -1, atB = -1;
    ScoreFile::open({path, path}, 5000, a, atA);
    ScoreFile::open({path, path}, 650, b, atB);

    QCOMPARE(ScoreFile::writeBack(path, a, atA, "A", 5000), WriteStatus::Written);
    QCOMPARE(ScoreFile::writeBack(path, b, atB, "B", 650), WriteStatus::Written);
    QCOMPARE(readBytes(path), crlfLines({"A,5000", "p0,1000", "p1,900", "p2,800", "p3,700", "B,650",
                                         "p4,600", "p5,500", "p6,400", "p7,300"}));
}

QTEST_GUILESS_MAIN(TestScoreFile)
#include "test_scorefile.moc"
