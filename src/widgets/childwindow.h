#pragma once

#include <QWidget>

// The leaderboard and the help window: opened over the game window, which is disabled from
// their load handler to their unload handler, so they act as dialogs while staying modeless.
class ChildWindow : public QWidget
{
    Q_OBJECT
public:
    // Loads the window (Form_Load, with the main window disabled) and shows it in front.
    void Show();

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

private:
    QWidget *m_mainWindow;
};
