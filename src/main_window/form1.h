#pragma once

#include "game/gameview.h"
#include "game/lettergame.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
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
    QString programFolder; // the program's own folder, without a final "/"
    // The embedded catalogue unless replaced: id, picture, the screen's device pixel ratio.
    std::function<bool(PictureId, QImage &, qreal)> pictureById;
};

// The game window: a keyboard to click, letter cards, lives, score, start and help buttons.
// It shows the game as LetterGame tells it to and hands every click on to it.
class Form1 : public QWidget, private GameView
{
    Q_OBJECT
public:
    explicit Form1(Form1Services services);
    ~Form1() override;

    static constexpr QSize ClientSize{551, 451};

    QString sPath;        // the program's folder + "/"; the leaderboard finds its file from it
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

    const LetterGame &game() const { return m_game; }
    // The two child windows, made when they are first shown (nullptr until then).
    Form2 *form2() const { return m_form2.get(); }
    Form3 *form3() const { return m_form3.get(); }
    const QImage &backgroundPicture() const { return m_background; }

public slots:
    void Picbeg_Click();
    void PicAll_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void Pichp_Click();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // A letter key answers like a click on that letter's key of the picture; F1 is the help
    // button. Space and Enter press the focused button, which hands every other key on here.
    // A key held down comes here once: HeldKeys keeps its repeats away.
    void keyPressEvent(QKeyEvent *event) override;
    // Full screen, asked for with F11 or by the window manager, draws the whole game bigger.
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createControls();
    void Form_Load();
    void loadPictures();
    void nameLives();
    void setFullScreen(bool fullScreen);
    void setPicture(PictureBox *box, PictureId id);

    // GameView
    void showCard(int place, PictureId card) override;
    void hideCard(int place) override;
    void setBoardShown(bool shown) override;
    void drawOutline(const Rules::Outline &outline) override;
    void clearBoard() override;
    void setAnimationShown(bool shown) override;
    void showAnimationFrame(PictureId frame) override;
    void setLifeShown(int index, bool shown) override;
    void showScore(qint32 score) override;
    void playSound(SoundId sound) override;
    void showLeaderboard(qint32 score) override;
    void playLeaderboardAnswer() override;

    Form1Services m_services;
    QImage m_background;
    std::unique_ptr<Form2> m_form2;
    std::unique_ptr<Form3> m_form3;
    LetterGame m_game;
    // Full screen: the scale the window had, and where it stood, to go back to both; the
    // game's top-left corner on the screen-sized window, which centres it.
    bool m_fullScreen = false;
    qreal m_windowScale = 0;
    QPoint m_windowPlace;
    QPoint m_origin;
};
