#pragma once

#include "scorefile.h"

#include <QByteArray>
#include <QWidget>

#include <optional>

#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class SoundOutput;

// The leaderboard window: the ten best scores, and a name box when the game just ended made
// the table. While it is open the main window is disabled, so it acts as a dialog although it
// has no owner.
class Form2 : public QWidget
{
    Q_OBJECT
public:
    Form2(QWidget *mainWindow, const QString &sPath, SoundOutput &sound);
    ~Form2() override;

    qint32 fcount = 0; // the score of the game just ended, set before Show()

    // Loads the window (reads and ranks the table, disables the main window) and shows it.
    void Show();

    // When the window opens over the game-over tune, its own result sound would cut the tune
    // off. With this set, the window keeps its result sound until playHeldResultSound().
    bool holdResultSound = false;
    // Plays the held result sound, if the window is still open and has one.
    void playHeldResultSound();

    // Controls, by their names, in tab order. Label1 (names) and Label2 (scores) are control
    // arrays: element 0 is part of the window, the other rows exist only while it is open.
    QLineEdit *Text1 = nullptr;
    std::vector<QLabel *> Label2;
    std::vector<QLabel *> Label1;
    QLabel *Labt = nullptr;
    QPushButton *Command1 = nullptr;

    // What the window holds between openings within a run.
    const ScoreTable &table() const { return m_table; }
    qint16 insertion() const { return m_insertion; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void resetToDesign();
    void Form_Load();
    void Form_Unload();
    void Text1_KeyPress(int keyAscii);
    void Command1_Click();
    void createRows();
    void destroyRows();

    QWidget *m_mainWindow;
    const QString &m_sPath; // the main window's, filled in after this window is made
    SoundOutput &m_sound;
    QByteArray m_soundData;
    std::optional<int> m_heldResultSound;

    ScoreTable m_table;
    qint16 m_insertion = -1;
    QString m_path;
    ScoreFile::Outcome m_outcome = ScoreFile::Outcome::MissedTable;
};
