#include "form3.h"
#include "helptext.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    void textIsThreeParagraphsOfTheRules();
    void opensAtItsPlaceDisablingTheMainWindow();
    void closingEnablesTheMainWindowAgain();
    void textWrapsInsideTheLabel();
};

void TestHelp::textIsThreeParagraphsOfTheRules()
{
    const QString text = helpText();
    const QStringList paragraphs = text.split(QStringLiteral("\r\n\r\n"));
    QCOMPARE(paragraphs.size(), 3);
    QCOMPARE(paragraphs[0],
             QStringLiteral("游戏目的：教孩子学会26个英文字母，同时锻炼孩子的记忆力和观察能力，"
                            "并且掌握字母在键盘上的位置。"));
    QCOMPARE(paragraphs[1],
             QStringLiteral("游戏方法：点击三角按钮开始游戏。游戏开始后会播放单一的英文字母，"
                            "你要在随后播放的所有英文字母中将它找出来。"));
    QCOMPARE(paragraphs[2],
             QStringLiteral("请注意每个英文字母所配的图片，并不表示字母的发音，而是"
                            "字母在单词中经常使用的发音，便于今后孩子对单词拼读的掌握。"));
    // No stray line breaks inside a paragraph or at the end.
    QCOMPARE(text.count(QLatin1Char('\n')), 4);
    QCOMPARE(text.count(QLatin1Char('\r')), 4);
    QVERIFY(!text.endsWith(QLatin1Char('\n')));
}

void TestHelp::opensAtItsPlaceDisablingTheMainWindow()
{
    QWidget mainWindow;
    mainWindow.move(400, 300);
    mainWindow.show();
    Form3 help(&mainWindow);
    help.Show();
    // Left 2200, Top 2000 twips, wherever the main window is.
    QCOMPARE(help.pos(), QPoint(147, 133));
    QVERIFY(!mainWindow.isEnabled());
    QVERIFY(help.isVisible());
    QCOMPARE(help.Label1->text().split(QStringLiteral("\n\n")).size(), 3);
}

void TestHelp::closingEnablesTheMainWindowAgain()
{
    QWidget mainWindow;
    Form3 help(&mainWindow);
    QSignalSpy closed(&help, &Form3::closed);
    for (int round = 0; round < 2; ++round) { // opening again works the same
        help.Show();
        QVERIFY(!mainWindow.isEnabled());
        QVERIFY(help.close());
        QVERIFY(mainWindow.isEnabled());
        QCOMPARE(closed.size(), round + 1);
    }
}

void TestHelp::textWrapsInsideTheLabel()
{
    QWidget mainWindow;
    Form3 help(&mainWindow);
    help.Show();
    QVERIFY(help.Label1->wordWrap());
    QCOMPARE(help.Label1->geometry(), QRect(16, 40, 297, 249));
    // The whole text fits in the label at its width.
    QVERIFY(help.Label1->heightForWidth(297) <= 249);
}

QTEST_MAIN(TestHelp)
#include "test_help.moc"
