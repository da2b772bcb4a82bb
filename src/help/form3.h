#pragma once

#include <QWidget>

class QLabel;

// The help window: the rules of the game. While it is open the main window is disabled, so
// it acts as a dialog although it has no owner.
class Form3 : public QWidget
{
    Q_OBJECT
public:
    explicit Form3(QWidget *mainWindow);

    // Loads the window (places it, fills the text, disables the main window) and shows it.
    void Show();

    QLabel *Label1 = nullptr;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void Form_Unload();

    QWidget *m_mainWindow;
};
