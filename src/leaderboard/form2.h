#pragma once

#include "game/ids.h"
#include "platform/scheduler.h"
#include "scores/scorefile.h"
#include "widgets/childwindow.h"

#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

// The leaderboard window: the ten best scores, and a name box when the game just ended made
// the table.
class Form2 : public ChildWindow
{
    Q_OBJECT
public:
    // sPath: the program's folder, followed by "/"; userDataDir: the per-user data folder
    // (empty: this program's own). Where the table is kept is decided at each opening.
    Form2(QWidget *mainWindow, const QString &sPath, const QString &userDataDir = {});
    ~Form2() override;

    qint32 fcount = 0; // the score of the game just ended, set before open()

    // How the table answered the score at the last opening: a fanfare for a place on it, a
    // soft chime for none, nothing for a brand-new or unreadable table.
    std::optional<SoundId> resultSound() const { return m_resultSound; }

    // Controls, by their names, in tab order. Label1 (names) and Label2 (scores) are control
    // arrays: element 0 is part of the window, the other rows exist only while it is open.
    QLineEdit *Text1 = nullptr;
    std::vector<QLabel *> Label2;
    std::vector<QLabel *> Label1;
    QLabel *Labt = nullptr;
    QPushButton *Command1 = nullptr;

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void shown() override;

private:
    void createControls();
    void resetToDesign();
    void Text1_KeyPress(int keyAscii);
    void Command1_Click();
    void trySave(bool last = false);
    void createRows();
    void destroyRows();

    const QString m_sPath;
    const QString m_userDataDir;
    std::optional<SoundId> m_resultSound;

    // What the window holds between openings within a run.
    ScoreTable m_table;
    qint16 m_insertion = -1;
    ScoreFile::Place m_place;
    ScoreFile::Outcome m_outcome = ScoreFile::Outcome::MissedTable;

    // A name waiting for another copy of the game to finish saving: tried again every
    // LockRetryMs up to LockWaitMs, and once more when the window closes, so it is not lost.
    QtScheduler m_scheduler;
    Scheduler::TaskId m_retry = 0;
    QString m_pendingName;
    int m_waitedMs = 0;
};
