#include "help/form3.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
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
            // A dialog of the main window that the disabled main window leaves usable.
            QVERIFY(help.isVisible() && help.isEnabled() && !mainWindow.isEnabled());
            QCOMPARE(help.windowHandle()->transientParent(), mainWindow.windowHandle());
            // The second time by Escape, which is the close box.
            QVERIFY(round == 1 ? help.close() : (QTest::keyClick(&help, Qt::Key_Escape), true));
            QVERIFY(!help.isVisible() && mainWindow.isEnabled() && closed.size() == round);
        }
        // Aim, how to play, and the pictures, an empty line between them and none at the end,
        // all of it in the label at its width.
        const QString shown = help.Label1->text();
        QVERIFY(shown.split(QStringLiteral("\n\n")).size() == 3 && shown.count('\n') == 4 &&
                shown.startsWith(QStringLiteral("游戏目的：")) &&
                shown.endsWith(QStringLiteral("掌握。")) && !shown.contains('\r'));
        QVERIFY(help.Label1->wordWrap() &&
                help.Label1->heightForWidth(help.Label1->width()) <= help.Label1->height());
    }
};

QTEST_MAIN(TestHelp)
#include "test_help.moc"
