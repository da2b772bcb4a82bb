#pragma once

#include "gamestate.h"
#include "stepsequence.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class Form2;
class Form3;
class PictureBox;
class QLabel;
class RandomSource;
class Scheduler;
class SoundOutput;

// What the main window needs from outside; tests hand in a manual clock, a recording sound
// output, a fixed random source and a folder of their own.
struct Form1Services
{
    Scheduler &scheduler;
    SoundOutput &sound;
    RandomSource &random;
    QString programDirectory; // the folder the score file lives in, without a final "/"
    std::function<bool(int, QImage &)> pictureById; // the embedded catalogue unless replaced
};

// The game window: a keyboard to click, letter cards, lives, score, start and help buttons.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(Form1Services services);
    ~Form1() override;

    QString sPath;        // program folder + "/", where the leaderboard keeps its file
    GameState state;      // the running game
    QByteArray soundData; // image of the sound most recently started from this window

    // Only start-up reads these: where the first card goes and how far apart cards are.
    qint16 cardLeft = 0;
    qint16 cardTop = 0;
    qint16 cardStepX = 0;
    qint16 cardStepY = 0;

    // Controls, by their names; the two control arrays are indexed like the cards and lives.
    PictureBox *Picbeg = nullptr;
    PictureBox *Pichp = nullptr;
    std::vector<PictureBox *> Pict;
    PictureBox *PicAll = nullptr;
    PictureBox *PicDH = nullptr;
    QLabel *Label1 = nullptr;
    std::vector<PictureBox *> Picf;

    Form2 *form2() const { return m_form2.get(); }
    Form3 *form3() const { return m_form3.get(); }
    const QImage &backgroundPicture() const { return m_background; }

public slots:
    // The start button: a new game, whatever is going on.
    void Picbeg_Click();
    // A press of any mouse button on the keyboard picture, at (x, y) in its pixels.
    void PicAll_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    // The help button: the rules, while the game waits.
    void Pichp_Click();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void onHelpClosed();

private:
    void createControls();
    void Form_Load();
    void PresentSequence();
    void PlayRoundAnimation();
    void EndGame();
    void setPicture(PictureBox *box, int pictureId);
    void playSound(int soundId);

    Form1Services m_services;
    QImage m_background;
    std::unique_ptr<Form2> m_form2;
    std::unique_ptr<Form3> m_form3;
    // The presentation, the round animation and the pauses around them: at most one runs.
    StepSequence m_sequence;
    // Help was opened while the child was answering: the board takes answers again on close.
    bool m_answeringBeforeHelp = false;
};
