#include "leaderboard/form2.h"

#include "media/mediaids.h"
#include "scores/scorefolder.h"
#include "widgets/windowkit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString Congratulations = QStringLiteral("恭喜恭喜!您上榜了。您的大名:");
const QString TableOnly = QStringLiteral("排行榜");
const QString CannotRead = QStringLiteral("排行榜打不开，这次记不了名字。");
const QString CannotSave = QStringLiteral("哎呀，名字没存上，请叫大人看看。");
const QString ReadOnly = QStringLiteral("排行榜只能看，这次记不了名字。");
const QString Nowhere = QStringLiteral("没有地方放排行榜，这次记不了名字。");
const QString Waiting = QStringLiteral("另一个游戏正在记名字，请稍等……");

constexpr int FirstRowTop = 80;
constexpr int RowStep = 24;

} // namespace

Form2::Form2(QWidget *mainWindow, const QString &sPath, const QString &userDataDir)
    : ChildWindow(mainWindow, QStringLiteral("排行榜"), {328, 371}, Qt::white), m_sPath(sPath),
      m_userDataDir(userDataDir)
{
    createControls();
}

Form2::~Form2()
{
    if (m_retry) // the game ends while a name waits: one last try
        trySave(true);
}

// The window as designed; creating the controls in tab order gives the tab order.
void Form2::createControls()
{
    // A plain line edit: Chinese names come in through the system's input method, so nothing
    // here may switch input methods off or restrict the hints.
    Text1 = new QLineEdit(this);
    Text1->setGeometry(24, 40, 225, 25);

    Label2.push_back(new QLabel(QStringLiteral("Label2"), this));
    Label2[0]->setGeometry(152, FirstRowTop, 89, 25);
    setColours(Label2[0], Qt::white);

    Label1.push_back(new QLabel(QStringLiteral("Label1"), this));
    Label1[0]->setGeometry(24, FirstRowTop, 81, 25);
    setColours(Label1[0], Qt::white);

    Labt = new QLabel(Congratulations, this);
    Labt->setGeometry(24, 16, 225, 25);
    Labt->setAlignment(Qt::AlignCenter);
    setColours(Labt, Qt::white, QColor(255, 0, 0));
    Labt->setFont(songFont(9, true));
    // A screen reader names the name box by its heading, whatever the heading says just now.
    Labt->setBuddy(Text1);

    // The keyboard focus shows as on the game window's buttons, in navy: yellow would vanish
    // on white.
    Command1 = new FocusRingButton(QStringLiteral("确认"), this, QColor(0, 0, 128));
    Command1->setGeometry(264, 40, 41, 25);

    connect(Text1, &QLineEdit::returnPressed, this, [this] { Text1_KeyPress(13); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

// Every opening starts from the window as designed, not from what the last one left behind.
void Form2::resetToDesign()
{
    Text1->clear();
    Text1->setEnabled(true);
    Command1->setEnabled(true);
    Labt->setText(Congratulations);
    Label1[0]->setText(QStringLiteral("Label1"));
    Label1[0]->move(Label1[0]->x(), FirstRowTop);
    Label2[0]->setText(QStringLiteral("Label2"));
    Label2[0]->move(Label2[0]->x(), FirstRowTop);
}

void Form2::shown()
{
    if (Text1->isEnabled())
        Text1->setFocus();
}

void Form2::Form_Load()
{
    resetToDesign();

    QString programDir = m_sPath;
    programDir.chop(1);
    m_place = scorePlace(programDir, m_userDataDir);
    m_outcome = ScoreFile::open(m_place, fcount, m_table, m_insertion);

    m_resultSound.reset();
    switch (m_outcome) {
    case ScoreFile::Outcome::MadeTable:
        Text1->setEnabled(true);
        Labt->setText(Congratulations);
        m_resultSound = Media::MadeTheTableSound;
        break;
    case ScoreFile::Outcome::MissedTable:
        Text1->setEnabled(false);
        Command1->setEnabled(false);
        Labt->setText(TableOnly);
        m_resultSound = Media::MissedTheTableSound;
        break;
    case ScoreFile::Outcome::Created:
    case ScoreFile::Outcome::Fresh:
        // A brand-new table: the design state already asks for the name. If the fresh file
        // could not be written, the name will not be saved either, and confirming says so.
        break;
    case ScoreFile::Outcome::Unreadable:
    case ScoreFile::Outcome::ReadOnly:
    case ScoreFile::Outcome::Nowhere:
        // Asking for a name we cannot save would only disappoint; say so straight away.
        Text1->setEnabled(false);
        Command1->setEnabled(false);
        Labt->setText(m_outcome == ScoreFile::Outcome::ReadOnly  ? ReadOnly
                      : m_outcome == ScoreFile::Outcome::Nowhere ? Nowhere
                                                                 : CannotRead);
        break;
    }

    createRows();
    for (int i = 0; i < ScoreSlots; ++i) {
        const int top = FirstRowTop + RowStep * i;
        Label1[i]->setText(m_table[i].name);
        Label1[i]->move(Label1[i]->x(), top);
        Label2[i]->setText(QString::number(m_table[i].score));
        Label2[i]->move(Label2[i]->x(), top);
    }
}

void Form2::createRows()
{
    destroyRows(); // never two sets of rows, even if an opening was not followed by a close
    for (int i = 1; i < ScoreSlots; ++i) {
        Label1.push_back(createElement(*Label1[0]));
        Label1[i]->show();
        Label2.push_back(createElement(*Label2[0]));
        Label2[i]->show();
    }
    // A screen reader reads the controls in their stacking order, not in the tab order: the
    // heading, the name box and its button, then the table row by row, a name before its score.
    for (QWidget *control : std::initializer_list<QWidget *>{Labt, Text1, Command1})
        control->raise();
    for (int i = 0; i < ScoreSlots; ++i) {
        Label1[i]->raise();
        Label2[i]->raise();
    }
}

void Form2::destroyRows()
{
    for (auto *column : {&Label1, &Label2}) {
        for (size_t i = 1; i < column->size(); ++i)
            delete (*column)[i];
        column->resize(1);
    }
}

void Form2::Text1_KeyPress(int keyAscii)
{
    if (keyAscii == 13)
        Command1_Click();
}

void Form2::Command1_Click()
{
    if (Text1->text().isEmpty() || m_insertion < 0 || m_retry)
        return;
    if (m_outcome == ScoreFile::Outcome::Unreadable) {
        Labt->setText(CannotRead);
        return;
    }
    m_pendingName = Text1->text();
    m_waitedMs = 0;
    trySave();
}

void Form2::trySave(bool last)
{
    m_retry = 0;
    switch (ScoreFile::writeBack(m_place, m_table, m_insertion, m_pendingName, fcount)) {
    case ScoreFile::WriteStatus::Written:
        if (!last)
            close();
        return;
    case ScoreFile::WriteStatus::Busy:
        if (!last && m_waitedMs < ScoreFile::LockWaitMs) {
            Labt->setText(Waiting);
            m_retry = m_scheduler.runAfter(ScoreFile::LockRetryMs, [this] {
                m_waitedMs += ScoreFile::LockRetryMs;
                trySave();
            });
            return;
        }
        break;
    case ScoreFile::WriteStatus::Failed:
        break;
    }
    if (last) {
        qCWarning(lcScores) << "the name" << m_pendingName << "was not saved before closing";
        return;
    }
    // The window stays open with the name still typed, so the entry is not silently lost.
    Labt->setText(CannotSave);
    Text1->setFocus();
}

void Form2::Form_Unload()
{
    if (m_retry) { // closed while waiting: one last try
        m_scheduler.cancel(m_retry);
        trySave(true);
    }
    destroyRows();
}
