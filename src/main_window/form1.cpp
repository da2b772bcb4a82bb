#include "main_window/form1.h"

#include "help/form3.h"
#include "leaderboard/form2.h"
#include "media/catalogue.h"
#include "widgets/picturebox.h"
#include "widgets/screenscale.h"
#include "widgets/windowkit.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

namespace {
const QColor Navy(0, 0, 128);
const QColor LightGrey(192, 192, 192);
const QColor ScoreRed(255, 0, 0);
const QColor OutlineYellow(255, 255, 0); // QBColor 14
} // namespace

Form1::Form1(Form1Services services)
    : QWidget(nullptr), m_services(std::move(services)),
      m_game(m_services.scheduler, m_services.random, *this)
{
    if (!m_services.pictureById)
        m_services.pictureById = PictureById;

    setWindowTitle(QStringLiteral("识键宝"));
    setWindowIcon(programIcon());
    makeFixedWindow(this, ClientSize);
    setColours(this, Navy);

    createControls();
    Form_Load();

    connect(Picbeg, &PictureBox::clicked, this, &Form1::Picbeg_Click);
    connect(PicAll, &PictureBox::mouseDown, this, &Form1::PicAll_MouseDown);
    connect(Pichp, &PictureBox::clicked, this, &Form1::Pichp_Click);
}

Form1::~Form1()
{
    // No step of a presentation may run against a window that is gone.
    m_game.stop();
}

// The window as designed, before any of its code runs; controls in tab order.
void Form1::createControls()
{
    Picbeg = new PictureBox(this);
    Picbeg->setFrame(PictureBox::Frame::Sunken);
    Picbeg->setGeometry(480, 176, 33, 33);
    Picbeg->setBackColor(LightGrey);
    Picbeg->setToolTip(QStringLiteral("开始"));
    Picbeg->setAccessibleName(QStringLiteral("开始"));
    Picbeg->setButton(true);
    Picbeg->setCursor(Qt::PointingHandCursor);

    Pichp = new PictureBox(this);
    Pichp->setFrame(PictureBox::Frame::Sunken);
    Pichp->setGeometry(480, 240, 33, 33);
    Pichp->setToolTip(QStringLiteral("帮助"));
    Pichp->setAccessibleName(QStringLiteral("帮助"));
    Pichp->setButton(true);
    Pichp->setCursor(Qt::PointingHandCursor);

    Pict.push_back(new PictureBox(this));
    Pict[0]->setGeometry(64, 64, 33, 49);

    PicAll = new PictureBox(this);
    PicAll->setGeometry(64, 144, 49, 49);
    PicAll->setAccessibleName(QStringLiteral("键盘"));

    PicDH = new PictureBox(this);
    PicDH->setGeometry(152, 104, 49, 49);

    Label1 = new QLabel(QStringLiteral("0"), this);
    Label1->setGeometry(472, 400, 65, 25);
    setColours(Label1, Navy, ScoreRed);
    // Digits need no text shaping; skipping it keeps the shaping library out of memory
    // (about half a megabyte) and draws the very same pixels.
    QFont scoreFont = songFont(12, true);
    scoreFont.setStyleStrategy(QFont::PreferNoShaping);
    Label1->setFont(scoreFont);
    Form1::showScore(0); // this class's own: the view is not fully built yet

    Picf.push_back(new PictureBox(this));
    Picf[0]->setGeometry(464, 8, 17, 17);

    // An empty box would show as a grey patch on the board until the first game: the cards
    // and the animation appear only when the game shows them. The keyboard is on view from
    // the start so a child sees where the letters are; it takes clicks only in a game.
    Pict[0]->hide();
    PicDH->hide();

    // The window itself holds the focus until Tab moves it to a button; otherwise showing the
    // window would focus the start button, and the first Space would start a game.
    setFocus();
}

void Form1::Form_Load()
{
    // Start-up never fails: a picture that cannot be loaded is skipped and the box keeps
    // what it had; every other step still happens.
    placeWindowInTwips(this, 2000, 1000);
    sPath = m_services.programFolder + QLatin1Char('/');

    PicAll->move(25, 235);
    for (int i = 1; i < Rules::StartLives; ++i) {
        Picf.push_back(Picf[0]->createElement());
        Picf[i]->move(Picf[i - 1]->x() + 20, Picf[0]->y());
    }
    nameLives();
    loadPictures();
    PicDH->move(130, 230);
    cardLeft = 50;
    cardTop = 205;
    cardStepX = 90;
    cardStepY = 96;
    Pict[0]->move(cardLeft, cardTop + 20);
    for (int i = 1; i < Rules::CardPlaces; ++i) {
        Pict.push_back(Pict[0]->createElement());
        if (i % 4 == 0)
            Pict[i]->move(Pict[0]->x(), Pict[i - 4]->y() + cardStepY);
        else
            Pict[i]->move(Pict[i - 1]->x() + cardStepX, Pict[i - 1]->y());
    }
}

// The pictures that stay for the whole run, as sharp as the text: the 2x drawings on a screen
// scaled above 1. Again at each change of scale.
void Form1::loadPictures()
{
    QImage picture;
    if (m_services.pictureById(Media::Background, picture, devicePixelRatioF()))
        m_background = picture;
    setPicture(PicAll, Media::Keyboard);
    setPicture(Picbeg, Media::StartButton);
    setPicture(Pichp, Media::HelpButton);
    for (PictureBox *life : Picf)
        setPicture(life, Media::LifeIcon);
    update();
}

void Form1::paintEvent(QPaintEvent *)
{
    // The background picture at its own size; the navy back colour fills the rest.
    if (!m_background.isNull()) {
        QPainter painter(this);
        // A 2x picture at a scale that is not 2 is drawn smoothly, or its thin lines break up.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(m_origin, m_background);
    }
}

void Form1::setFullScreen(bool fullScreen)
{
    if (fullScreen) {
        m_windowPlace = geometry().topLeft();
        // The whole game scaled by one factor to fill the screen's height or width: Qt then
        // draws every picture, line and letter at that scale, and every click still arrives
        // in the game's own pixels.
        m_windowScale = setScale(screen(), fillingScale(screen(), ClientSize));
        // The sharper pictures are read while the window manager makes room.
        loadPictures();
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        showFullScreen();
    } else {
        showNormal();
    }
}

void Form1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || isFullScreen() == m_fullScreen)
        return;
    m_fullScreen = isFullScreen();
    if (m_fullScreen && m_windowScale == 0) { // the window manager's own full screen
        m_windowPlace = geometry().topLeft();
        m_windowScale = setScale(screen(), fillingScale(screen(), ClientSize));
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        loadPictures();
    } else if (!m_fullScreen) {
        setScale(screen(), m_windowScale);
        m_windowScale = 0;
        setFixedSize(ClientSize);
        setGeometry(QRect(m_windowPlace, ClientSize)); // its client area: no frame yet
        loadPictures();
    }
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Centred on the screen, navy all round; in the window, where it always stood.
    const QPoint origin =
        m_fullScreen || isFullScreen()
            ? QPoint((width() - ClientSize.width()) / 2, (height() - ClientSize.height()) / 2)
            : QPoint();
    if (origin == m_origin)
        return;
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow())
            child->move(child->pos() + origin - m_origin);
    }
    m_origin = origin;
    update();
}

void Form1::closeEvent(QCloseEvent *event)
{
    m_game.stop();
    // Closing the game window ends the program, whatever else is open.
    if (m_form2)
        m_form2->hide();
    if (m_form3)
        m_form3->hide();
    event->accept();
    QCoreApplication::quit();
}

void Form1::setPicture(PictureBox *box, PictureId id)
{
    QImage picture;
    if (m_services.pictureById(id, picture, devicePixelRatioF()))
        box->setPicture(picture);
}

void Form1::playSound(SoundId sound)
{
    PlaySoundById(sound, soundData, m_services.sound);
}

void Form1::keyPressEvent(QKeyEvent *event)
{
    if (m_game.letterKey(event->text(), event->modifiers()))
        event->accept();
    else if (event->matches(QKeySequence::HelpContents))
        Pichp_Click();
    else if (event->key() == Qt::Key_F11 && event->modifiers() == Qt::NoModifier)
        setFullScreen(!isFullScreen());
    else if (event->matches(QKeySequence::Cancel) && isFullScreen())
        setFullScreen(false);
    else
        QWidget::keyPressEvent(event);
}

void Form1::Picbeg_Click()
{
    m_game.start();
}

void Form1::PicAll_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)
{
    m_game.boardMouseDown(x, y);
}

void Form1::Pichp_Click()
{
    m_game.helpOpened();
    if (!m_form3) {
        m_form3 = std::make_unique<Form3>(this);
        connect(m_form3.get(), &Form3::closed, this, [this] { m_game.helpClosed(); });
    }
    m_form3->open();
}

void Form1::showLeaderboard(qint32 score)
{
    if (!m_form2) {
        m_form2 = std::make_unique<Form2>(this, sPath);
        connect(m_form2.get(), &Form2::closed, this, [this] { m_game.leaderboardClosed(); });
    }
    m_form2->fcount = score;
    m_form2->open();
}

void Form1::playLeaderboardAnswer()
{
    if (m_form2 && m_form2->resultSound())
        playSound(*m_form2->resultSound());
}

void Form1::showCard(int place, PictureId card)
{
    setPicture(Pict.at(place), card);
    Pict.at(place)->show();
}

void Form1::hideCard(int place)
{
    Pict.at(place)->hide();
}

void Form1::setBoardShown(bool shown)
{
    PicAll->setVisible(shown);
}

void Form1::drawOutline(const Rules::Outline &outline)
{
    for (const QLine &line : outline)
        PicAll->drawLine(line.p1(), line.p2(), OutlineYellow);
}

void Form1::clearBoard()
{
    PicAll->clearDrawing();
}

void Form1::setAnimationShown(bool shown)
{
    PicDH->setVisible(shown);
}

void Form1::showAnimationFrame(PictureId frame)
{
    setPicture(PicDH, frame);
}

void Form1::setLifeShown(int index, bool shown)
{
    Picf.at(index)->setVisible(shown);
    nameLives();
}

// A screen reader hears how many are left from whichever icon it reads, as the score says its
// points.
void Form1::nameLives()
{
    int left = 0;
    for (const PictureBox *life : Picf)
        left += life->isHidden() ? 0 : 1;
    for (PictureBox *life : Picf)
        life->setAccessibleName(QStringLiteral("生命 %1").arg(left));
}

void Form1::showScore(qint32 score)
{
    Label1->setText(QString::number(score));
    // A screen reader reads the number with what it counts.
    Label1->setAccessibleName(QStringLiteral("得分 %1").arg(score));
}
