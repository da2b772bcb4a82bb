#include "../scores/scorefixtures.h"
#include "leaderboard/form2.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {
const QString Congratulations = QStringLiteral("恭喜恭喜!您上榜了。您的大名:");
const QString TableOnly = QStringLiteral("排行榜");
const QString CannotRead = QStringLiteral("排行榜打不开，这次记不了名字。");
const QString CannotSave = QStringLiteral("哎呀，名字没存上，请叫大人看看。");
const QString ReadOnly = QStringLiteral("排行榜只能看，这次记不了名字。");
const QString Waiting = QStringLiteral("另一个游戏正在记名字，请稍等……");

// The leaderboard over a main window, in a folder of its own, with a home of its own.
struct Board
{
    QTemporaryDir dir, home;
    const QString sPath = dir.path() + '/';
    const QString path = sPath + "tavik.tmp";
    QWidget main;
    Form2 form{&main, sPath, home.path() + "/share"};
    QSignalSpy closed{&form, &Form2::closed};

    explicit Board(FileState state = FileState::Content) { prepared = prepare(state, dir, path); }
    bool prepared;

    void open(qint32 score)
    {
        main.show();
        form.fcount = score;
        form.open();
    }
    int labels() const { return form.findChildren<QLabel *>().size(); }
    // The rows as "name,score" lines; a row out of its place or hidden spoils the result.
    QByteArray shown() const
    {
        QByteArray out;
        for (int i = 0; i < int(form.Label1.size()); ++i) {
            const QLabel *name = form.Label1[i], *score = form.Label2[i];
            const bool placed =
                name->isVisible() && name->y() == 80 + 24 * i && score->y() == name->y();
            out += (placed ? name->text() + ',' + score->text() : "misplaced").toUtf8() + "\r\n";
        }
        return out;
    }
};
} // namespace

class TestForm2 : public QObject
{
    Q_OBJECT

private slots:
    // What the window shows; then, closed and opened again over a new table, it asks afresh,
    // with ten rows, not nineteen.
    void opening_data()
    {
        QTest::addColumn<FileState>("state");
        QTest::addColumn<int>("score");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<bool>("asksName");
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<int>("sound"); // 0: none

        QTest::newRow("made the table")
            << FileState::Content << 650 << Congratulations << true << Descending << 123;
        QTest::newRow("missed the table")
            << FileState::Content << 100 << TableOnly << false << Descending << 124;
        QTest::newRow("no file yet, score 0")
            << FileState::Missing << 0 << Congratulations << true << TenZeros << 0;
        QTest::newRow("a pipe: says so at once")
            << FileState::Pipe << 650 << CannotRead << false << TenZeros << 0;
        QTest::newRow("own copy read-only, for root too: says so at once")
            << FileState::ReadOnly << 650 << ReadOnly << false << TenZeros << 0;
    }
    void opening()
    {
        QFETCH(FileState, state);
        QFETCH(int, score);
        QFETCH(bool, asksName);
        QFETCH(QString, heading);
        QFETCH(QByteArray, table);
        Board b(state);
        QVERIFY(b.prepared);
        if (state == FileState::ReadOnly) // and the player's own copy (ten zeros), read-only too
            QVERIFY(QDir(b.home.path()).mkpath("share") &&
                    prepare(state, b.home, b.home.filePath("share/tavik.tmp"), TenZeros));

        b.open(score);
        QVERIFY(b.form.isVisible() && !b.main.isEnabled());
        QCOMPARE(b.form.Labt->text(), heading);
        QCOMPARE(b.form.Text1->isEnabled() && b.form.Command1->isEnabled(), asksName);
        QCOMPARE(b.form.focusWidget() == b.form.Text1, asksName);
        if (asksName) { // Tab shows the button's focus as a dark ring on white, 3 pixels thick
            QVERIFY(QTest::qWaitForWindowActive(&b.form));
            QTest::keyClick(b.form.Text1, Qt::Key_Tab);
            const QRect r = b.form.Command1->geometry();
            QVERIFY(qGray(b.form.grab().toImage().pixel(r.center().x(), r.top() + 2)) < 64);
        }
        QCOMPARE(b.shown(), table);
        // What a screen reader reads, in order: the heading, the name box named by it, the
        // button, then each row's name and score.
        const QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&b.form);
        QString read;
        for (int i = 0; i < window->childCount(); ++i)
            read += window->child(i)->text(QAccessible::Name) + ',';
        QCOMPARE(read, heading + ',' + heading + ",确认," + QString(table).replace("\r\n", ","));
        QTEST(int(b.form.resultSound().value_or(SoundId{})), "sound");
        QVERIFY(b.form.Text1->testAttribute(Qt::WA_InputMethodEnabled)); // Chinese names come so

        b.form.Text1->setText("typed");
        b.form.close();
        QFile::remove(b.path);
        b.open(0);
        QCOMPARE(b.labels(), 21);
        QVERIFY(b.form.Text1->isEnabled() && b.form.Command1->isEnabled());
        QVERIFY(b.form.Text1->text().isEmpty() && b.form.Labt->text() == Congratulations);
    }

    // A window asking for a name, and how it ends. `heading`: what it says when it stays
    // open; empty when it closes, which must make the main window usable again.
    void finishing_data()
    {
        QTest::addColumn<FileState>("state");
        QTest::addColumn<char>("how"); // Enter, a click on the button, or the close box
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("heading"); // not saved yet: another copy holds the lock

        const FileState C = FileState::Content;
        const QByteArray rest = ",5000\r\n" + FirstNine;
        QTest::newRow("Enter") << C << '\r' << "ann"
                               << "ann" + rest << "";
        QTest::newRow("click, Chinese name") << C << 'c' << "小明" << XiaoMing + rest << "";
        QTest::newRow("empty name, Enter") << C << '\r' << "" << Descending << Congratulations;
        QTest::newRow("close box") << C << 'x' << "typed" << Descending << "";
        QTest::newRow("another copy holds the lock: waits, saved on close")
            << C << '\r' << "小明" << Descending << Waiting;
        QTest::newRow("program folder gone: kept per user")
            << FileState::FolderGone << '\r' << "小明" << QByteArray() << "";
    }
    void finishing()
    {
        QFETCH(FileState, state);
        QFETCH(char, how);
        QFETCH(QString, name);
        QFETCH(QString, heading);
        Board b(state);
        QVERIFY(b.prepared);

        b.open(5000);
        b.form.Text1->setText(name);
        const Troubled troubled(heading == Waiting ? Trouble::Locked : Trouble::None, b.path);
        if (how == '\r')
            QTest::keyClick(b.form.Text1, Qt::Key_Return);
        else if (how == 'c')
            QTest::mouseClick(b.form.Command1, Qt::LeftButton);
        else
            b.form.close();

        QTEST(readBytes(b.path), "expected");
        const bool closes = heading.isEmpty();
        QVERIFY(b.form.isVisible() != closes && b.main.isEnabled() == closes);
        QCOMPARE(b.closed.size(), int(closes));
        QCOMPARE(b.labels(), closes ? 3 : 21); // the extra rows go with the window
        if (!closes)
            QVERIFY(b.form.Labt->text() == heading && b.form.Text1->text() == name);
        if (heading == Waiting) { // the other copy is done as the child closes the window
            troubled.unlock(), b.form.close();
            QCOMPARE(readBytes(b.path), XiaoMing + ",5000\r\n" + FirstNine);
        }
    }
};

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
