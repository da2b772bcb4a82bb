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
    void opensAtItsPlaceWhileTheMainWindowWaits();
};

void TestHelp::textIsThreeParagraphsOfTheRules()
{
    const QStringList paragraphs = {
        QStringLiteral("游戏目的：教孩子学会26个英文字母，同时锻炼孩子的记忆力和观察能力，"
                       "并且掌握字母在键盘上的位置。"),
        QStringLiteral("游戏方法：点击三角按钮开始游戏。游戏开始后会播放单一的英文字母，"
                       "你要在随后播放的所有英文字母中将它找出来。"),
        QStringLiteral("请注意每个英文字母所配的图片，并不表示字母的发音，而是"
                       "字母在单词中经常使用的发音，便于今后孩子对单词拼读的掌握。")};
    QCOMPARE(helpText(), paragraphs.join(QStringLiteral("\r\n\r\n")));
}

void TestHelp::opensAtItsPlaceWhileTheMainWindowWaits()
{
    QWidget mainWindow;
    mainWindow.move(400, 300);
    mainWindow.show();
    Form3 help(&mainWindow);
    QSignalSpy closed(&help, &Form3::closed);
    for (int round = 1; round <= 2; ++round) { // opening again works the same
        help.Show();
        // 2200 and 2000 twips from the screen's corner, wherever the main window is.
        QCOMPARE(help.pos(), QPoint(147, 133));
        QVERIFY(help.isVisible());
        QVERIFY(!mainWindow.isEnabled());
        QVERIFY(help.close());
        QVERIFY(mainWindow.isEnabled());
        QCOMPARE(closed.size(), round);
    }
    // Qt breaks lines at LF alone; the whole text fits in the label at its width.
    QCOMPARE(help.Label1->text(), QString(helpText()).remove(QLatin1Char('\r')));
    QVERIFY(help.Label1->wordWrap());
    QVERIFY(help.Label1->heightForWidth(help.Label1->width()) <= help.Label1->height());
}

QTEST_MAIN(TestHelp)
#include "test_help.moc"
