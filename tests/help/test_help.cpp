#include "help/form3.h"
#include "help/helptext.h"

#include <QLabel>
#include <QWindow>
#include <QSignalSpy>
#include <QTest>

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    void textIsThreeParagraphsOfTheRules()
    {
        // Aim, how to play, and the pictures; one empty line between them and none at the end.
        const QStringList paragraphs = helpText().split(QStringLiteral("\r\n\r\n"));
        QCOMPARE(paragraphs.size(), 3);
        QVERIFY(paragraphs[0].startsWith(QStringLiteral("游戏目的：")));
        QVERIFY(paragraphs[1].startsWith(QStringLiteral("游戏方法：点击三角按钮开始游戏。")));
        QVERIFY(paragraphs[2].endsWith(QStringLiteral("掌握。")));
        QCOMPARE(helpText().count(QLatin1Char('\n')), 4);
    }
    void opensAtItsPlaceWhileTheMainWindowWaits()
    {
        QWidget mainWindow;
        mainWindow.move(400, 300);
        mainWindow.show();
        Form3 help(&mainWindow);
        QSignalSpy closed(&help, &Form3::closed);
        for (int round = 1; round <= 2; ++round) { // opening again works the same
            help.open();
            // 2200 and 2000 twips from the screen's corner, wherever the main window is.
            QCOMPARE(help.pos(), QPoint(147, 133));
            QVERIFY(help.isVisible());
            QVERIFY(!mainWindow.isEnabled());
            // A dialog of the main window that the disabled main window leaves usable.
            QVERIFY(help.isEnabled());
            QCOMPARE(help.windowHandle()->transientParent(), mainWindow.windowHandle());
            if (round == 1)
                QVERIFY(help.close());
            else // Escape is the close box
                QTest::keyClick(&help, Qt::Key_Escape);
            QVERIFY(!help.isVisible());
            QVERIFY(mainWindow.isEnabled());
            QCOMPARE(closed.size(), round);
        }
        // Qt breaks lines at LF alone; the whole text fits in the label at its width.
        QCOMPARE(help.Label1->text(), QString(helpText()).remove(QLatin1Char('\r')));
        QVERIFY(help.Label1->wordWrap());
        QVERIFY(help.Label1->heightForWidth(help.Label1->width()) <= help.Label1->height());
    }
};

QTEST_MAIN(TestHelp)
#include "test_help.moc"
