#pragma once

#include <QByteArray>
#include <QWidget>

class SoundOutput;

// The leaderboard window (placeholder: layout and behaviour come with the score table).
class Form2 : public QWidget
{
    Q_OBJECT
public:
    Form2(QWidget *mainWindow, const QString &sPath, SoundOutput &sound);

    qint32 fcount = 0; // the score of the game just ended, set before Show()

    // Loads the window (reads and ranks the table, disables the main window) and shows it.
    void Show();

signals:
    void closed();

private:
    QWidget *m_mainWindow;
    const QString &m_sPath;
    SoundOutput &m_sound;
};
