#include "form1.h"

#include "catalogue.h"
#include "form2.h"
#include "form3.h"
#include "lettergame.h"
#include "picturebox.h"
#include "programdir.h"
#include "shuffle.h"
#include "timings.h"
#include "windowkit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>

namespace {
const QColor Navy(0, 0, 128);
const QColor LightGrey(192, 192, 192);
const QColor ScoreRed(255, 0, 0);
const QColor OutlineYellow(255, 255, 0); // QBColor 14
} // namespace

Form1::Form1(Form1Services services)
    : QWidget(nullptr), m_services(std::move(services)), m_sequence(m_services.scheduler)
{
    if (!m_services.pictureById)
        m_services.pictureById = [](int id, QImage &picture) { return PictureById(id, picture); };

    setWindowTitle(QStringLiteral("识键宝"));
    setWindowIcon(programIcon());
    makeFixedWindow(this, {551, 451});
    QPalette p = palette();
    p.setColor(QPalette::Window, Navy);
    setPalette(p);
    setAutoFillBackground(true);

    createControls();
    m_form2 = std::make_unique<Form2>(this, sPath, m_services.sound);
    m_form2->holdResultSound = true;
    m_form3 = std::make_unique<Form3>(this);
    Form_Load();

    connect(Picbeg, &PictureBox::clicked, this, &Form1::Picbeg_Click);
    connect(PicAll, &PictureBox::mouseDown, this, &Form1::PicAll_MouseDown);
    connect(Pichp, &PictureBox::clicked, this, &Form1::Pichp_Click);
    connect(m_form3.get(), &Form3::closed, this, &Form1::onHelpClosed);
}

Form1::~Form1()
{
    // No step of a presentation may run against a window that is gone.
    m_sequence.cancel();
}

// The window as designed, before any of its code runs; controls in tab order.
void Form1::createControls()
{
    Picbeg = new PictureBox(this);
    Picbeg->setFrame(PictureBox::Frame::Sunken);
    Picbeg->setGeometry(480, 176, 33, 33);
    Picbeg->setBackColor(LightGrey);
    Picbeg->setToolTip(QStringLiteral("开始"));
    Picbeg->setCursor(Qt::PointingHandCursor);

    Pichp = new PictureBox(this);
    Pichp->setFrame(PictureBox::Frame::Sunken);
    Pichp->setGeometry(480, 240, 33, 33);
    Pichp->setToolTip(QStringLiteral("帮助"));
    Pichp->setCursor(Qt::PointingHandCursor);

    Pict.push_back(new PictureBox(this));
    Pict[0]->setGeometry(64, 64, 33, 49);

    PicAll = new PictureBox(this);
    PicAll->setGeometry(64, 144, 49, 49);

    PicDH = new PictureBox(this);
    PicDH->setGeometry(152, 104, 49, 49);

    Label1 = new QLabel(QStringLiteral("0"), this);
    Label1->setGeometry(472, 400, 65, 25);
    QPalette lp = Label1->palette();
    lp.setColor(QPalette::Window, Navy);
    lp.setColor(QPalette::WindowText, ScoreRed);
    Label1->setPalette(lp);
    Label1->setAutoFillBackground(true);
    Label1->setFont(songFont(12, true));

    Picf.push_back(new PictureBox(this));
    Picf[0]->setGeometry(464, 8, 17, 17);

    // An empty box would show as a grey patch on the board until the first game: the cards
    // and the animation appear only when the game shows them. The keyboard is on view from
    // the start so a child sees where the letters are; it takes clicks only in a game.
    Pict[0]->hide();
    PicDH->hide();
}

void Form1::Form_Load()
{
    // Start-up never fails: a picture that cannot be loaded is skipped and the box keeps
    // what it had; every other step still happens.
    placeWindowInTwips(this, 2000, 1000);
    sPath = withSeparator(m_services.programDirectory);

    const auto &pictureById = m_services.pictureById;
    QImage picture;
    state.accepting = false;
    if (pictureById(Media::Background, picture))
        m_background = picture;
    state.letterCount = 26;
    PicAll->move(25, 235);
    if (pictureById(Media::Keyboard, picture))
        PicAll->setPicture(picture);
    if (pictureById(Media::StartButton, picture))
        Picbeg->setPicture(picture);
    if (pictureById(Media::HelpButton, picture))
        Pichp->setPicture(picture);
    Picf.push_back(Picf[0]->createElement());
    Picf.push_back(Picf[0]->createElement());
    Picf[1]->move(Picf[0]->x() + 20, Picf[0]->y());
    Picf[2]->move(Picf[1]->x() + 20, Picf[0]->y());
    for (PictureBox *life : Picf) {
        if (pictureById(Media::LifeIcon, picture))
            life->setPicture(picture);
    }
    PicDH->move(130, 230);
    cardLeft = 50;
    cardTop = 205;
    cardStepX = 90;
    cardStepY = 96;
    Pict[0]->move(cardLeft, cardTop + 20);
    for (int i = 1; i <= 7; ++i) {
        Pict.push_back(Pict[0]->createElement());
        if (i % 4 == 0)
            Pict[i]->move(Pict[0]->x(), Pict[i - 4]->y() + cardStepY);
        else
            Pict[i]->move(Pict[i - 1]->x() + cardStepX, Pict[i - 1]->y());
    }
}

void Form1::paintEvent(QPaintEvent *)
{
    // The background picture at its own size; the navy back colour fills the rest.
    if (!m_background.isNull()) {
        QPainter painter(this);
        painter.drawImage(0, 0, m_background);
    }
}

void Form1::closeEvent(QCloseEvent *event)
{
    m_sequence.cancel();
    // Closing the game window ends the program, whatever else is open.
    m_form2->hide();
    m_form3->hide();
    event->accept();
    QCoreApplication::quit();
}

void Form1::setPicture(PictureBox *box, int pictureId)
{
    QImage picture;
    if (m_services.pictureById(pictureId, picture))
        box->setPicture(picture);
}

void Form1::playSound(int soundId)
{
    PlaySoundById(soundId, soundData, m_services.sound);
}

void Form1::Picbeg_Click()
{
    // A press always begins a new game, also in the middle of a presentation or the round
    // animation: whatever was still to come of the old one is dropped first, and its cards
    // go with it, so the new round starts on a clean screen.
    m_sequence.cancel();
    for (PictureBox *card : Pict)
        card->hide();

    PicAll->hide();
    // Outlines from an interrupted game would look like answers already given in the new one.
    PicAll->clearDrawing();
    PicDH->hide();
    LetterGame::startGame(state);
    for (PictureBox *life : Picf)
        life->show();
    Label1->setText(QString::number(state.fcount));
    PresentSequence();
}

void Form1::PresentSequence()
{
    ShuffleLetters(state.order, state.letterCount, m_services.random);
    const int last = state.level; // the round's length is fixed when it begins
    for (int i = 0; i <= last; ++i) {
        m_sequence
            .then([this, i] {
                const int key = state.order.at(i);
                setPicture(Pict.at(i), Media::cardOf(key));
                Pict.at(i)->show();
                playSound(Media::letterSoundOf(key));
            })
            .wait(Timing::CardMs);
    }
    m_sequence.wait(Timing::AfterLastCardMs)
        .then([this] {
            for (int i = 0; i <= state.level; ++i)
                Pict.at(i)->hide();
        })
        .wait(Timing::BlankMs)
        .then([this] {
            LetterGame::openBoard(state);
            PicAll->show();
        });
}

void Form1::PlayRoundAnimation()
{
    m_sequence.then([this] { PicDH->show(); });
    for (int repeat = 0; repeat < Timing::AnimationRepeats; ++repeat) {
        for (int frame : {Media::AnimationFrame1, Media::AnimationFrame2, Media::AnimationFrame3,
                          Media::AnimationFrame2}) {
            m_sequence.then([this, frame] { setPicture(PicDH, frame); })
                .wait(Timing::AnimationFrameMs);
        }
    }
    m_sequence.then([this] { PicDH->hide(); }).wait(Timing::AfterAnimationMs);
}

void Form1::PicAll_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)
{
    using Outcome = LetterGame::ClickResult::Outcome;
    const LetterGame::ClickResult result = LetterGame::judgeClick(state, x, y);
    switch (result.outcome) {
    case Outcome::Ignored:
        return;
    case Outcome::Correct:
    case Outcome::RoundComplete:
        Label1->setText(QString::number(state.fcount));
        for (const QLine &line : result.outline)
            PicAll->drawLine(line.p1(), line.p2(), OutlineYellow);
        playSound(Media::CorrectSound);
        if (result.outcome == Outcome::Correct)
            return;
        // The board stays in view a moment with the last key outlined; further clicks are
        // already ignored (the round is complete), so none counts against the next round.
        m_sequence.wait(Timing::RoundCompletePauseMs).then([this] {
            PicAll->hide();
            PicAll->clearDrawing();
            playSound(Media::RoundCompleteSound);
        });
        PlayRoundAnimation();
        m_sequence.then([this] { PresentSequence(); });
        return;
    case Outcome::Wrong:
        playSound(Media::WrongSound);
        Picf.at(result.lifeLost)->hide();
        return;
    case Outcome::GameOver:
        playSound(Media::WrongSound);
        PicAll->hide();
        setPicture(PicDH, Media::AnimationFrame2);
        PicDH->show();
        EndGame();
        return;
    }
}

void Form1::Pichp_Click()
{
    // A presentation goes on behind the help window and opens the board at its end as usual.
    m_answeringBeforeHelp = LetterGame::closeBoardForHelp(state);
    m_form3->Show();
}

void Form1::onHelpClosed()
{
    LetterGame::reopenBoardAfterHelp(state, m_answeringBeforeHelp);
    m_answeringBeforeHelp = false;
}

void Form1::EndGame()
{
    PicAll->clearDrawing();
    // Started right after the "wrong" sound, which it cuts off.
    playSound(Media::GameOverSound);
    state.accepting = false;
    m_form2->fcount = state.fcount;
    m_form2->Show();
    m_sequence.wait(Timing::GameOverTuneMs).then([this] { m_form2->playHeldResultSound(); });
}
