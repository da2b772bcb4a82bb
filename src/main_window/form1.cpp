#include "form1.h"

#include "catalogue.h"
#include "form2.h"
#include "form3.h"
#include "picturebox.h"
#include "programdir.h"
#include "windowkit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>

namespace {
const QColor Navy(0, 0, 128);
const QColor LightGrey(192, 192, 192);
const QColor ScoreRed(255, 0, 0);
} // namespace

Form1::Form1(Form1Services services) : QWidget(nullptr), m_services(std::move(services))
{
    if (!m_services.pictureById)
        m_services.pictureById = PictureById;

    setWindowTitle(QStringLiteral("识键宝"));
    setWindowIcon(programIcon());
    makeFixedWindow(this, {551, 451});
    QPalette p = palette();
    p.setColor(QPalette::Window, Navy);
    setPalette(p);
    setAutoFillBackground(true);

    createControls();
    m_form2 = std::make_unique<Form2>(this, sPath, m_services.sound);
    m_form3 = std::make_unique<Form3>(this);
    Form_Load();
}

Form1::~Form1() = default;

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
    // Closing the game window ends the program, whatever else is open.
    m_form2->hide();
    m_form3->hide();
    event->accept();
    QCoreApplication::quit();
}
