#include "catalogue.h"
#include "form2.h"
#include "recordingsound.h"
#include "scorefixtures.h"

#include <QDir>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Congratulations = QStringLiteral("恭喜恭喜!您上榜了。您的大名:");
const QString TableOnly = QStringLiteral("排行榜");
const QString CannotRead = QStringLiteral("排行榜打不开，这次记不了名字。");
const QString CannotSave = QStringLiteral("哎呀，名字没存上，请叫大人看看。");

const QByteArray TenZeros = repeatedLine("0,0", 10);
const QByteArray Descending = crlfLines({"p0,1000", "p1,900", "p2,800", "p3,700", "p4,600",
                                         "p5,500", "p6,400", "p7,300", "p8,200", "p9,100"});
const QStringList DescendingNames{"p0", "p1", "p2", "p3", "p4", "p5", "p6", "p7", "p8", "p9"};
const QStringList DescendingScores{"1000", "900", "800", "700", "600",
                                   "500",  "400", "300", "200", "100"};

// The id the recorder reports for a catalogue sound. With placeholder assets every sound has
// the same bytes, so this tells only that a sound was played; with the real ones it names it.
int recordedIdOf(int catalogueId)
{
    QByteArray image;
    return SoundById(catalogueId, image) ? soundIdOf(image) : -1;
}
} // namespace

enum class FileState
{
    Content,
    Missing,
    FolderGone,
    Directory
};
Q_DECLARE_METATYPE(FileState)
enum class Confirm
{
    Enter,
    KeypadEnter,
    Click
};
Q_DECLARE_METATYPE(Confirm)

class TestForm2 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opening_data();
    void opening();
    void confirming_data();
    void confirming();
    void emptyNameDoesNothing_data();
    void emptyNameDoesNothing();
    void closeBoxWritesNothing_data();
    void closeBoxWritesNothing();
    void reopeningShowsTenRowsAndKeepsTheTable();
    void failedWriteKeepsWindowOpen_data();
    void failedWriteKeepsWindowOpen();
    void nameBoxTakesInputMethodText();

private:
    void openWith(qint32 score);
    void confirm(Confirm how);
    int labelCount() const { return m_form->findChildren<QLabel *>().size(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_sPath;
    QString m_path;
    std::unique_ptr<QWidget> m_main;
    RecordingSound m_sound;
    std::unique_ptr<Form2> m_form;
};

void TestForm2::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_sPath = m_dir->path() + '/';
    m_path = m_sPath + "tavik.tmp";
    m_main = std::make_unique<QWidget>();
    m_main->show();
    m_sound.clear();
    m_form = std::make_unique<Form2>(m_main.get(), m_sPath, m_sound);
}

void TestForm2::cleanup()
{
    m_form.reset();
    m_main.reset();
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_dir.reset();
}

void TestForm2::openWith(qint32 score)
{
    m_form->fcount = score;
    m_form->Show();
}

void TestForm2::confirm(Confirm how)
{
    switch (how) {
    case Confirm::Enter:
        QTest::keyClick(m_form->Text1, Qt::Key_Return);
        break;
    case Confirm::KeypadEnter:
        QTest::keyClick(m_form->Text1, Qt::Key_Enter, Qt::KeypadModifier);
        break;
    case Confirm::Click:
        QTest::mouseClick(m_form->Command1, Qt::LeftButton);
        break;
    }
}

void TestForm2::opening_data()
{
    QTest::addColumn<FileState>("state");
    QTest::addColumn<int>("score");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<bool>("nameBoxEnabled");
    QTest::addColumn<bool>("confirmEnabled");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("scores");
    QTest::addColumn<QList<int>>("sounds");

    const QStringList zeros(10, "0");
    QTest::newRow("made the table")
        << FileState::Content << 650 << Congratulations << true << true << DescendingNames
        << DescendingScores << QList<int>{recordedIdOf(Media::MadeTheTableSound)};
    QTest::newRow("missed the table")
        << FileState::Content << 100 << TableOnly << false << false << DescendingNames
        << DescendingScores << QList<int>{recordedIdOf(Media::MissedTheTableSound)};
    QTest::newRow("no file yet") << FileState::Missing << 0 << Congratulations << true << true
                                 << zeros << zeros << QList<int>{};
    QTest::newRow("no file and no folder") << FileState::FolderGone << 0 << Congratulations << true
                                           << true << zeros << zeros << QList<int>{};
    QTest::newRow("unreadable file") << FileState::Directory << 650 << CannotRead << false << false
                                     << zeros << zeros << QList<int>{};
}

void TestForm2::opening()
{
    QFETCH(FileState, state);
    QFETCH(int, score);
    QFETCH(bool, nameBoxEnabled);
    QFETCH(QStringList, names);
    QFETCH(QStringList, scores);

    if (state == FileState::Content)
        QVERIFY(writeBytes(m_path, Descending));
    else if (state == FileState::Directory)
        QVERIFY(QDir().mkdir(m_path));
    else if (state == FileState::FolderGone)
        QVERIFY(m_dir->remove());

    openWith(score);

    QVERIFY(m_form->isVisible());
    QVERIFY(!m_main->isEnabled());
    QTEST(m_form->Labt->text(), "heading");
    QCOMPARE(m_form->Text1->isEnabled(), nameBoxEnabled);
    QTEST(m_form->Command1->isEnabled(), "confirmEnabled");
    QCOMPARE(m_form->focusWidget() == m_form->Text1, nameBoxEnabled);

    QCOMPARE(m_form->Label1.size(), size_t(10));
    QCOMPARE(m_form->Label2.size(), size_t(10));
    for (int i = 0; i < 10; ++i) {
        QVERIFY(m_form->Label1[i]->isVisible());
        QVERIFY(m_form->Label2[i]->isVisible());
        QCOMPARE(m_form->Label1[i]->geometry(), QRect(24, 80 + 24 * i, 81, 25));
        QCOMPARE(m_form->Label2[i]->geometry(), QRect(152, 80 + 24 * i, 89, 25));
        QCOMPARE(m_form->Label1[i]->text(), names[i]);
        QCOMPARE(m_form->Label2[i]->text(), scores[i]);
    }
    QTEST(m_sound.ids(), "sounds");

    switch (state) {
    case FileState::Content:
        QCOMPARE(readBytes(m_path), Descending);
        break;
    case FileState::Missing:
        QCOMPARE(readBytes(m_path), TenZeros);
        break;
    case FileState::FolderGone:
        QVERIFY(!QFileInfo::exists(m_sPath));
        break;
    case FileState::Directory:
        QVERIFY(QFileInfo(m_path).isDir());
        break;
    }
}

void TestForm2::confirming_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<Confirm>("how");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray rest = crlfLines({"p0,1000", "p1,900", "p2,800", "p3,700", "p4,600", "p5,500",
                                       "p6,400", "p7,300", "p8,200"});
    QTest::newRow("Enter") << true << Confirm::Enter << "ann"
                           << "ann,5000\r\n" + rest;
    QTest::newRow("keypad Enter") << true << Confirm::KeypadEnter << "ann"
                                  << "ann,5000\r\n" + rest;
    QTest::newRow("click") << true << Confirm::Click << "ann"
                           << "ann,5000\r\n" + rest;
    QTest::newRow("Chinese name in GBK") << true << Confirm::Enter << "小明"
                                         << "\xD0\xA1\xC3\xF7,5000\r\n" + rest;
    QTest::newRow("spaces kept") << true << Confirm::Click << "   "
                                 << "   ,5000\r\n" + rest;
    QTest::newRow("new file: first, nine defaults") << false << Confirm::Enter << "bo"
                                                    << "bo,5000\r\n" + repeatedLine("0,0", 9);
}

void TestForm2::confirming()
{
    QFETCH(bool, fileExists);
    QFETCH(Confirm, how);
    QFETCH(QString, name);
    if (fileExists)
        QVERIFY(writeBytes(m_path, Descending));
    QSignalSpy closed(m_form.get(), &Form2::closed);

    openWith(5000);
    m_form->Text1->setText(name);
    confirm(how);

    QTEST(readBytes(m_path), "expected");
    QVERIFY(!m_form->isVisible());
    QVERIFY(m_main->isEnabled());
    QCOMPARE(closed.size(), 1);
    QCOMPARE(labelCount(), 3); // the rows went with the window
}

void TestForm2::emptyNameDoesNothing_data()
{
    QTest::addColumn<Confirm>("how");
    QTest::newRow("Enter") << Confirm::Enter;
    QTest::newRow("click") << Confirm::Click;
}

void TestForm2::emptyNameDoesNothing()
{
    QFETCH(Confirm, how);
    QVERIFY(writeBytes(m_path, Descending));
    QSignalSpy closed(m_form.get(), &Form2::closed);

    openWith(5000);
    confirm(how);

    QVERIFY(m_form->isVisible());
    QVERIFY(!m_main->isEnabled());
    QCOMPARE(closed.size(), 0);
    QCOMPARE(m_form->Labt->text(), Congratulations);
    QCOMPARE(readBytes(m_path), Descending);
}

void TestForm2::closeBoxWritesNothing_data()
{
    QTest::addColumn<FileState>("state");
    QTest::addColumn<int>("score");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("asking for a name") << FileState::Content << 5000 << Descending;
    QTest::newRow("view only") << FileState::Content << 0 << Descending;
    QTest::newRow("new file") << FileState::Missing << 5000 << TenZeros;
}

void TestForm2::closeBoxWritesNothing()
{
    QFETCH(FileState, state);
    QFETCH(int, score);
    if (state == FileState::Content)
        QVERIFY(writeBytes(m_path, Descending));
    QSignalSpy closed(m_form.get(), &Form2::closed);

    openWith(score);
    if (m_form->Text1->isEnabled())
        QTest::keyClicks(m_form->Text1, "typed but not confirmed");
    QVERIFY(m_form->close());

    QTEST(readBytes(m_path), "expected");
    QVERIFY(!m_form->isVisible());
    QVERIFY(m_main->isEnabled());
    QCOMPARE(closed.size(), 1);
    QCOMPARE(labelCount(), 3);
}

void TestForm2::reopeningShowsTenRowsAndKeepsTheTable()
{
    QVERIFY(writeBytes(m_path, Descending));
    openWith(5000);
    QCOMPARE(labelCount(), 21);
    m_form->Text1->setText("top");
    confirm(Confirm::Click);
    QVERIFY(!m_form->isVisible());

    // The next game did worse; the file meanwhile lost all but three lines. Slots 3 to 9
    // keep what the first opening read.
    QVERIFY(writeBytes(m_path, crlfLines({"a,30", "b,20", "c,10"})));
    openWith(10);
    QCOMPARE(labelCount(), 21);
    QCOMPARE(m_form->Labt->text(), TableOnly);
    QVERIFY(m_form->Text1->text().isEmpty());
    QStringList shown;
    for (QLabel *label : m_form->Label1)
        shown << label->text();
    QCOMPARE(shown, (QStringList{"a", "b", "c", "p3", "p4", "p5", "p6", "p7", "p8", "p9"}));
    QCOMPARE(m_sound.ids(), (QList<int>{recordedIdOf(Media::MadeTheTableSound),
                                        recordedIdOf(Media::MissedTheTableSound)}));
    m_form->close();

    // And a third opening in the design state again, after a view-only one.
    QFile::remove(m_path);
    openWith(0);
    QCOMPARE(labelCount(), 21);
    QVERIFY(m_form->Text1->isEnabled());
    QVERIFY(m_form->Command1->isEnabled());
    QCOMPARE(m_form->Labt->text(), Congratulations);
}

enum class Failure
{
    DiskFull,
    ReadOnlyFolder,
    FolderGone
};
Q_DECLARE_METATYPE(Failure)

void TestForm2::failedWriteKeepsWindowOpen_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::newRow("disk full") << Failure::DiskFull;
    QTest::newRow("read-only folder") << Failure::ReadOnlyFolder;
    QTest::newRow("folder gone, no file created") << Failure::FolderGone;
}

void TestForm2::failedWriteKeepsWindowOpen()
{
    QFETCH(Failure, failure);
    if (failure == Failure::ReadOnlyFolder && runningAsRoot())
        QSKIP("permissions do not stop root");
    if (failure == Failure::FolderGone)
        QVERIFY(m_dir->remove());
    else
        QVERIFY(writeBytes(m_path, Descending));
    if (failure == Failure::ReadOnlyFolder)
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner));
    QSignalSpy closed(m_form.get(), &Form2::closed);

    openWith(5000);
    m_form->Text1->setText("小明");
    {
        std::optional<DiskFull> full;
        if (failure == Failure::DiskFull)
            full.emplace();
        confirm(Confirm::Enter);
    }

    QCOMPARE(m_form->Labt->text(), CannotSave);
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_main->isEnabled());
    QCOMPARE(m_form->Text1->text(), QStringLiteral("小明"));
    QCOMPARE(closed.size(), 0);
    if (failure == Failure::FolderGone)
        QVERIFY(!QFileInfo::exists(m_sPath));
    else
        QCOMPARE(readBytes(m_path), Descending);
    QCOMPARE(QDir(m_sPath).entryList(QDir::Files),
             failure == Failure::FolderGone ? QStringList() : QStringList{"tavik.tmp"});

    // Once the disk has room again, confirming once more saves the entry.
    if (failure == Failure::DiskFull) {
        confirm(Confirm::Click);
        QVERIFY(readBytes(m_path).startsWith("\xD0\xA1\xC3\xF7,5000\r\np0,1000\r\n"));
        QVERIFY(m_main->isEnabled());
        QCOMPARE(closed.size(), 1);
    }
}

void TestForm2::nameBoxTakesInputMethodText()
{
    openWith(5000);
    QLineEdit *nameBox = m_form->Text1;
    QVERIFY(nameBox->testAttribute(Qt::WA_InputMethodEnabled));
    QCOMPARE(nameBox->inputMethodHints() & (Qt::ImhLatinOnly | Qt::ImhDigitsOnly |
                                            Qt::ImhHiddenText | Qt::ImhDialableCharactersOnly |
                                            Qt::ImhEmailCharactersOnly | Qt::ImhUrlCharactersOnly),
             Qt::InputMethodHints());

    QInputMethodEvent preedit(QStringLiteral("xiaoming"), {});
    QCoreApplication::sendEvent(nameBox, &preedit);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("小明"));
    QCoreApplication::sendEvent(nameBox, &commit);
    QCOMPARE(nameBox->text(), QStringLiteral("小明"));

    confirm(Confirm::Enter);
    QCOMPARE(readBytes(m_path), "\xD0\xA1\xC3\xF7,5000\r\n" + repeatedLine("0,0", 9));
}

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
