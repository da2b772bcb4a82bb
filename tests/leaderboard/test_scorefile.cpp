#include "scorefile.h"
#include "scorefixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using ScoreFile::Outcome;
using ScoreFile::WriteStatus;

Q_DECLARE_METATYPE(ScoreFile::Outcome)

namespace {
const QByteArray TenZeros = repeatedLine("0,0", 10);
// 500, 400, 400, 300, then zeros: ties with 400 go below both 400s.
const QByteArray TieTable =
    crlfLines({"a,500", "b,400", "c,400", "d,300", "e,0", "f,0", "g,0", "h,0", "i,0", "j,0"});
const QByteArray Descending = crlfLines({"p0,1000", "p1,900", "p2,800", "p3,700", "p4,600",
                                         "p5,500", "p6,400", "p7,300", "p8,200", "p9,100"});
const QByteArray XiaoMing("\xD0\xA1\xC3\xF7"); // 小明 in GBK

QStringList namesOf(const ScoreTable &table)
{
    QStringList names;
    for (const ScoreEntry &entry : table)
        names << entry.name;
    return names;
}

QList<int> scoresOf(const ScoreTable &table)
{
    QList<int> scores;
    for (const ScoreEntry &entry : table)
        scores << entry.score;
    return scores;
}
} // namespace

class TestScoreFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void opening_data();
    void opening();
    void scoreText_data();
    void scoreText();
    void missingFileIsCreated_data();
    void missingFileIsCreated();
    void writeBack_data();
    void writeBack();
    void failedWriteLosesNothing_data();
    void failedWriteLosesNothing();
    void defaultFileCannotBeCreated_data();
    void defaultFileCannotBeCreated();
    void unreadableFileIsLeftAlone_data();
    void unreadableFileIsLeftAlone();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestScoreFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = ScoreFile::pathFor(m_dir->path() + '/');
}

// An earlier opening in the same run may have left the table filled; `earlier` is that file.
void TestScoreFile::opening_data()
{
    QTest::addColumn<QByteArray>("earlier");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("newScore");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("insertion");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("scores");

    const QStringList tenZeroNames(10, "0");
    const QList<int> tenZeroScores(10, 0);
    const QStringList pNames{"p0", "p1", "p2", "p3", "p4", "p5", "p6", "p7", "p8", "p9"};
    const QList<int> pScores{1000, 900, 800, 700, 600, 500, 400, 300, 200, 100};

    QTest::newRow("ten zeros, score 0 misses")
        << QByteArray() << TenZeros << 0 << Outcome::MissedTable << -1 << tenZeroNames
        << tenZeroScores;
    QTest::newRow("ten zeros, score 1 is first")
        << QByteArray() << TenZeros << 1 << Outcome::MadeTable << 0 << tenZeroNames
        << tenZeroScores;
    QTest::newRow("tie goes below") << QByteArray() << TieTable << 400 << Outcome::MadeTable << 3
                                    << QStringList{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}
                                    << QList<int>{500, 400, 400, 300, 0, 0, 0, 0, 0, 0};
    QTest::newRow("beats everyone")
        << QByteArray() << Descending << 1001 << Outcome::MadeTable << 0 << pNames << pScores;
    QTest::newRow("equals the tenth")
        << QByteArray() << Descending << 100 << Outcome::MissedTable << -1 << pNames << pScores;
    QTest::newRow("negative score beats nothing")
        << QByteArray() << TenZeros << -5 << Outcome::MissedTable << -1 << tenZeroNames
        << tenZeroScores;
    QTest::newRow("unsorted table: lowest slot strictly below")
        << QByteArray()
        << crlfLines({"a,5", "b,50", "c,1", "d,60", "e,7", "f,80", "g,90", "h,95", "i,99", "j,100"})
        << 6 << Outcome::MadeTable << 0
        << QStringList{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}
        << QList<int>{5, 50, 1, 60, 7, 80, 90, 95, 99, 100};
    QTest::newRow("twelve lines: the last two ignored")
        << QByteArray() << Descending + crlfLines({"x,5000", "y,4000"}) << 150 << Outcome::MadeTable
        << 9 << pNames << pScores;
    QTest::newRow("three lines at the first opening")
        << QByteArray() << crlfLines({"a,300", "b,200", "c,100"}) << 50 << Outcome::MadeTable << 3
        << QStringList{"a", "b", "c", "", "", "", "", "", "", ""}
        << QList<int>{300, 200, 100, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("three lines keep the earlier slots")
        << Descending << crlfLines({"a,3", "b,2", "c,1"}) << 2000 << Outcome::MadeTable << 0
        << QStringList{"a", "b", "c", "p3", "p4", "p5", "p6", "p7", "p8", "p9"}
        << QList<int>{3, 2, 1, 700, 600, 500, 400, 300, 200, 100};
    QTest::newRow("empty file keeps everything")
        << Descending << QByteArray() << 150 << Outcome::MadeTable << 9 << pNames << pScores;
    QTest::newRow("LF line ends") << QByteArray() << QByteArray("a,30\nb,20\nc,10\n") << 15
                                  << Outcome::MadeTable << 2
                                  << QStringList{"a", "b", "c", "", "", "", "", "", "", ""}
                                  << QList<int>{30, 20, 10, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("mixed ends, last line unended")
        << QByteArray() << QByteArray("a,30\r\nb,20\nc,10") << 25 << Outcome::MadeTable << 1
        << QStringList{"a", "b", "c", "", "", "", "", "", "", ""}
        << QList<int>{30, 20, 10, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("line without a comma keeps the name")
        << Descending << crlfLines({"p0,1000", "7777"}) << 5000 << Outcome::MadeTable << 0 << pNames
        << QList<int>{1000, 7777, 800, 700, 600, 500, 400, 300, 200, 100};
    QTest::newRow("only the first comma splits")
        << Descending << crlfLines({"a,b,5"}) << 5000 << Outcome::MadeTable << 0
        << QStringList{"a", "p1", "p2", "p3", "p4", "p5", "p6", "p7", "p8", "p9"} << pScores;
    QTest::newRow("GBK name") << QByteArray() << crlfLines({XiaoMing + ",120"}) << 1
                              << Outcome::MadeTable << 1
                              << QStringList{"小明", "", "", "", "", "", "", "", "", ""}
                              << QList<int>{120, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

void TestScoreFile::opening()
{
    QFETCH(QByteArray, earlier);
    QFETCH(QByteArray, content);
    QFETCH(int, newScore);

    ScoreTable table;
    qint16 insertion = 42;
    if (!earlier.isEmpty()) {
        QVERIFY(writeBytes(m_path, earlier));
        QCOMPARE(ScoreFile::readTable(m_path, table), ScoreFile::ReadStatus::Read);
    }
    QVERIFY(writeBytes(m_path, content));

    QTEST(ScoreFile::open(m_path, newScore, table, insertion), "outcome");
    QTEST(int(insertion), "insertion");
    QTEST(namesOf(table), "names");
    QTEST(scoresOf(table), "scores");
    QCOMPARE(readBytes(m_path), content); // reading never writes
}

// The slot held 77 before; a score text that is not a 32-bit decimal integer leaves it so,
// while the name on the same line is still taken.
void TestScoreFile::scoreText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("score");

    QTest::newRow("plain") << QByteArray("42000") << 42000;
    QTest::newRow("zero") << QByteArray("0") << 0;
    QTest::newRow("negative") << QByteArray("-15") << -15;
    QTest::newRow("plus sign") << QByteArray("+7") << 7;
    QTest::newRow("leading zeros") << QByteArray("007") << 7;
    QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("smallest") << QByteArray("-2147483648") << int(-2147483648LL);
    QTest::newRow("CR before CR LF") << QByteArray("12\r") << 12;
    QTest::newRow("letters") << QByteArray("abc") << 77;
    QTest::newRow("too large") << QByteArray("99999999999") << 77;
    QTest::newRow("one past the largest") << QByteArray("2147483648") << 77;
    QTest::newRow("one past the smallest") << QByteArray("-2147483649") << 77;
    QTest::newRow("trailing letters") << QByteArray("12x") << 77;
    QTest::newRow("leading blank") << QByteArray(" 5") << 77;
    QTest::newRow("trailing blank") << QByteArray("5 ") << 77;
    QTest::newRow("empty") << QByteArray("") << 77;
    QTest::newRow("sign alone") << QByteArray("-") << 77;
    QTest::newRow("fraction") << QByteArray("1.5") << 77;
}

void TestScoreFile::scoreText()
{
    QFETCH(QByteArray, text);
    ScoreTable table;
    table[0] = {"old", "old", 77};
    QVERIFY(writeBytes(m_path, "new," + text + "\r\n"));
    QCOMPARE(ScoreFile::readTable(m_path, table), ScoreFile::ReadStatus::Read);
    QCOMPARE(table[0].name, QStringLiteral("new"));
    QTEST(int(table[0].score), "score");
}

void TestScoreFile::missingFileIsCreated_data()
{
    QTest::addColumn<int>("newScore");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -300;
    QTest::newRow("positive") << 900;
}

void TestScoreFile::missingFileIsCreated()
{
    QFETCH(int, newScore);
    ScoreTable table;
    table[4] = {"x", "x", 5000};
    qint16 insertion = -1;
    QCOMPARE(ScoreFile::open(m_path, newScore, table, insertion), Outcome::Created);
    QCOMPARE(insertion, qint16(0));
    QCOMPARE(readBytes(m_path), TenZeros);
    QCOMPARE(namesOf(table), QStringList(10, "0"));
    QCOMPARE(scoresOf(table), QList<int>(10, 0));
}

// Read `content` (nothing when empty: the file is created), rank `newScore`, write the name
// back and compare the file byte for byte.
void TestScoreFile::writeBack_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("newScore");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("tie goes below both") << TieTable << 400 << "new"
                                         << crlfLines({"a,500", "b,400", "c,400", "new,400",
                                                       "d,300", "e,0", "f,0", "g,0", "h,0", "i,0"});
    QTest::newRow("first place, tenth drops off")
        << Descending << 2000 << "top"
        << crlfLines({"top,2000", "p0,1000", "p1,900", "p2,800", "p3,700", "p4,600", "p5,500",
                      "p6,400", "p7,300", "p8,200"});
    QTest::newRow("tenth place") << Descending << 150 << "last"
                                 << crlfLines({"p0,1000", "p1,900", "p2,800", "p3,700", "p4,600",
                                               "p5,500", "p6,400", "p7,300", "p8,200", "last,150"});
    QTest::newRow("new file: first, then nine defaults") << QByteArray() << 0 << "ann"
                                                         << "ann,0\r\n" + repeatedLine("0,0", 9);
    QTest::newRow("twelve lines become ten")
        << Descending + crlfLines({"x,5000", "y,4000"}) << 2000 << "top"
        << crlfLines({"top,2000", "p0,1000", "p1,900", "p2,800", "p3,700", "p4,600", "p5,500",
                      "p6,400", "p7,300", "p8,200"});
    QTest::newRow("three lines: empty slots written as such")
        << crlfLines({"a,300", "b,200", "c,100"}) << 50 << "d"
        << crlfLines({"a,300", "b,200", "c,100", "d,50", ",0", ",0", ",0", ",0", ",0", ",0"});
    QTest::newRow("LF file comes back CR LF")
        << QByteArray("a,30\nb,20\n") + repeatedLine("z,0", 8).replace("\r", "") << 25 << "n"
        << crlfLines({"a,30", "n,25", "b,20", "z,0", "z,0", "z,0", "z,0", "z,0", "z,0", "z,0"});
    QTest::newRow("scores normalised")
        << crlfLines({"a,+0050", "b,-007"}) + repeatedLine("z,-100", 8) << 0 << "n"
        << crlfLines({"a,50", "n,0", "b,-7", "z,-100", "z,-100", "z,-100", "z,-100", "z,-100",
                      "z,-100", "z,-100"});
    QTest::newRow("negative new score") << repeatedLine("z,-100", 10) << -42 << "neg"
                                        << "neg,-42\r\n" + repeatedLine("z,-100", 9);
    QTest::newRow("42000") << TenZeros << 42000 << "big"
                           << "big,42000\r\n" + repeatedLine("0,0", 9);
    QTest::newRow("GBK names byte for byte")
        << XiaoMing + ",500\r\n" + repeatedLine("0,0", 9) << 600 << "小红"
        << "\xD0\xA1\xBA\xEC,600\r\n" + XiaoMing + ",500\r\n" + repeatedLine("0,0", 8);
    QTest::newRow("invalid bytes kept")
        << QByteArray("\x81\x20\xFF,900\r\n\x80,800\r\n") + repeatedLine("0,0", 8) << 850 << "n"
        << QByteArray("\x81\x20\xFF,900\r\nn,850\r\n\x80,800\r\n") + repeatedLine("0,0", 7);
    QTest::newRow("comma made full-width") << TenZeros << 10 << "a,b"
                                           << "a\xA3\xAC"
                                              "b,10\r\n" +
                                                  repeatedLine("0,0", 9);
    QTest::newRow("line breaks and controls dropped")
        << TenZeros << 10 << "小\r\n明\t\x01" << XiaoMing + ",10\r\n" + repeatedLine("0,0", 9);
    QTest::newRow("spaces kept as typed") << TenZeros << 10 << "  "
                                          << "  ,10\r\n" + repeatedLine("0,0", 9);
    QTest::newRow("beyond GBK: four-byte GB18030")
        << TenZeros << 10 << QString::fromUcs4(U"\U0001F600")
        << "\x94\x39\xFC\x36,10\r\n" + repeatedLine("0,0", 9);
}

void TestScoreFile::writeBack()
{
    QFETCH(QByteArray, content);
    QFETCH(int, newScore);
    QFETCH(QString, name);

    if (!content.isEmpty())
        QVERIFY(writeBytes(m_path, content));
    ScoreTable table;
    qint16 insertion = -1;
    const Outcome outcome = ScoreFile::open(m_path, newScore, table, insertion);
    QVERIFY(outcome == Outcome::MadeTable || outcome == Outcome::Created);
    const ScoreTable before = table;

    QCOMPARE(ScoreFile::writeBack(m_path, table, insertion, name, newScore), WriteStatus::Written);
    QTEST(readBytes(m_path), "expected");
    QCOMPARE(namesOf(table), namesOf(before)); // the next opening reads the file again
    ScoreTable reread;
    QCOMPARE(ScoreFile::readTable(m_path, reread), ScoreFile::ReadStatus::Read);
    QCOMPARE(reread[insertion].score, newScore);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"tavik.tmp"});
}

enum class Failure
{
    DiskFull,
    ReadOnlyFolder,
    ReadOnlyFile
};
Q_DECLARE_METATYPE(Failure)

void TestScoreFile::failedWriteLosesNothing_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::newRow("disk full") << Failure::DiskFull;
    QTest::newRow("read-only folder") << Failure::ReadOnlyFolder;
    QTest::newRow("read-only file") << Failure::ReadOnlyFile;
}

void TestScoreFile::failedWriteLosesNothing()
{
    QFETCH(Failure, failure);
    if (failure != Failure::DiskFull && runningAsRoot())
        QSKIP("permissions do not stop root");

    QVERIFY(writeBytes(m_path, Descending));
    ScoreTable table;
    qint16 insertion = -1;
    QCOMPARE(ScoreFile::open(m_path, 2000, table, insertion), Outcome::MadeTable);

    WriteStatus status;
    switch (failure) {
    case Failure::DiskFull: {
        DiskFull full;
        status = ScoreFile::writeBack(m_path, table, insertion, "top", 2000);
        break;
    }
    case Failure::ReadOnlyFolder:
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner));
        status = ScoreFile::writeBack(m_path, table, insertion, "top", 2000);
        QFile::setPermissions(m_dir->path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        break;
    case Failure::ReadOnlyFile:
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner));
        status = ScoreFile::writeBack(m_path, table, insertion, "top", 2000);
        break;
    }
    QCOMPARE(status, WriteStatus::Failed);
    QCOMPARE(readBytes(m_path), Descending);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"tavik.tmp"});
}

void TestScoreFile::defaultFileCannotBeCreated_data()
{
    QTest::addColumn<bool>("folderExists");
    QTest::newRow("read-only folder") << true;
    QTest::newRow("folder gone") << false;
}

void TestScoreFile::defaultFileCannotBeCreated()
{
    QFETCH(bool, folderExists);
    QString path = m_path;
    if (folderExists) {
        if (runningAsRoot())
            QSKIP("permissions do not stop root");
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner));
    } else {
        path = ScoreFile::pathFor(m_dir->path() + "/gone/");
    }

    ScoreTable table;
    table[2] = {"x", "x", 5000};
    qint16 insertion = -1;
    const Outcome outcome = ScoreFile::open(path, 10, table, insertion);
    const WriteStatus written = ScoreFile::writeBack(path, table, insertion, "n", 10);
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(outcome, Outcome::CreateFailed);
    QCOMPARE(insertion, qint16(0));
    QCOMPARE(namesOf(table), QStringList(10, "0"));
    QCOMPARE(scoresOf(table), QList<int>(10, 0));
    QCOMPARE(written, WriteStatus::Failed);
    QVERIFY(!QFile::exists(path));
}

enum class Unreadable
{
    Directory,
    NoReadPermission
};
Q_DECLARE_METATYPE(Unreadable)

void TestScoreFile::unreadableFileIsLeftAlone_data()
{
    QTest::addColumn<Unreadable>("kind");
    QTest::newRow("a folder in its place") << Unreadable::Directory;
    QTest::newRow("no read permission") << Unreadable::NoReadPermission;
}

void TestScoreFile::unreadableFileIsLeftAlone()
{
    QFETCH(Unreadable, kind);
    if (kind == Unreadable::Directory) {
        QVERIFY(QDir().mkdir(m_path));
    } else {
        if (runningAsRoot())
            QSKIP("permissions do not stop root");
        QVERIFY(writeBytes(m_path, Descending));
        QVERIFY(QFile::setPermissions(m_path, QFile::WriteOwner));
    }

    ScoreTable table;
    table[2] = {"x", "x", 5000};
    qint16 insertion = -1;
    QCOMPARE(ScoreFile::open(m_path, 10, table, insertion), Outcome::Unreadable);
    QCOMPARE(insertion, qint16(0));
    QCOMPARE(namesOf(table), QStringList(10, "0"));
    QCOMPARE(scoresOf(table), QList<int>(10, 0));

    if (kind == Unreadable::Directory) {
        QVERIFY(QFileInfo(m_path).isDir());
    } else {
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(readBytes(m_path), Descending);
    }
}

QTEST_GUILESS_MAIN(TestScoreFile)
#include "test_scorefile.moc"
