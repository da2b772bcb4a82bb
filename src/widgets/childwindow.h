#pragma once

#include <QPointer>
#include <QWidget>

// The leaderboard and the help window: opened over the game window, which is disabled from
// their load handler to their unload handler, so they act as dialogs while staying modeless.
// Each is a dialog of the game window for the window manager: kept above it and grouped with
// it, with no taskbar entry of its own and the program's icon. A click on the disabled game
// window hands the keyboard back to the open dialog, and Escape closes it like its close box.
class ChildWindow : public QWidget
{
    Q_OBJECT
public:
    // Loads the window (Form_Load, with the main window disabled) and shows it in front.
    void open();

signals:
    // The window has been closed, by its close box or by its own code.
    void closed();

protected:
    ChildWindow(QWidget *mainWindow, const QString &title, QSize clientSize, const QColor &back);

    virtual void Form_Load() = 0;
    virtual void Form_Unload() {}
    // The window is on screen: the place to give a control the keyboard focus.
    virtual void shown() {}

    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_mainWindow;
    // What had the game window's keyboard focus when this window opened, to have it back.
    QPointer<QWidget> m_mainFocus;
};
