#include "catalogue.h"
#include "form1.h"
#include "form2.h"
#include "form3.h"
#include "picturebox.h"
#include "randomsource.h"
#include "recordingsound.h"

#include <QFontInfo>
#include <QLabel>
#include <QTest>

namespace {
struct FixedRandom final : RandomSource
{
    float next() override { return 0.f; }
    void reseed() override {}
};

QImage picture(int id)
{
    QImage p;
    PictureById(id, p);
    return p;
}
} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void layoutAndPictures();
    void aMissingPictureIsSkipped_data();
    void aMissingPictureIsSkipped();
    void windowsAreFixedWithACloseBoxOnly();
    void scoreUsesAChineseFont();

private:
    std::unique_ptr<Form1> makeForm(std::function<bool(int, QImage &)> pictures = {})
    {
        return std::make_unique<Form1>(
            Form1Services{m_clock, m_sound, m_random, "/opt/game", std::move(pictures)});
    }
    ManualScheduler m_clock;
    RecordingSound m_sound;
    FixedRandom m_random;
};

void TestStartup::layoutAndPictures()
{
    auto form = makeForm();
    QCOMPARE(form->pos(), QPoint(133, 67)); // 2000 and 1000 twips, at 15 to the pixel
    QCOMPARE(form->sPath, QStringLiteral("/opt/game/"));
    QCOMPARE(form->backgroundPicture(), picture(Media::Background));
    QCOMPARE(form->PicAll->geometry(), QRect(25, 235, 400, 132));
    QCOMPARE(form->PicAll->picture(), picture(Media::Keyboard));
    // The buttons are their picture plus a two-pixel sunken frame, one clear of the other.
    QCOMPARE(form->Picbeg->geometry(), QRect(480, 176, 54, 39));
    QCOMPARE(form->Picbeg->picture(), picture(Media::StartButton));
    QCOMPARE(form->Pichp->geometry(), QRect(480, 240, 54, 39));
    QCOMPARE(form->Pichp->picture(), picture(Media::HelpButton));
    QCOMPARE(form->PicDH->pos(), QPoint(130, 230));

    // Two rows of four cards, all hidden copies of the first until a presentation.
    QList<QRect> cards;
    for (const PictureBox *card : form->Pict) {
        cards << card->geometry();
        QVERIFY(card->isHidden());
    }
    QCOMPARE(cards, (QList<QRect>{{50, 225, 33, 49},
                                  {140, 225, 33, 49},
                                  {230, 225, 33, 49},
                                  {320, 225, 33, 49},
                                  {50, 321, 33, 49},
                                  {140, 321, 33, 49},
                                  {230, 321, 33, 49},
                                  {320, 321, 33, 49}}));
    // Three life icons in a row; only the first is in view before the first game.
    QList<QRect> lives;
    for (const PictureBox *life : form->Picf) {
        lives << life->geometry();
        QCOMPARE(life->picture(), picture(Media::LifeIcon));
        QCOMPARE(life->isHidden(), life != form->Picf[0]);
    }
    QCOMPARE(lives, (QList<QRect>{{464, 8, 16, 16}, {484, 8, 16, 16}, {504, 8, 16, 16}}));

    // Start-up plays nothing and starts no game.
    QVERIFY(m_sound.played.isEmpty() && !m_clock.hasPending() && !form->state.accepting);
    // Rendered: the background picture in the corner, navy in the strip beside it.
    form->show();
    const QImage shot = form->grab().toImage();
    QCOMPARE(shot.pixelColor(5, 5), picture(Media::Background).pixelColor(5, 5));
    QCOMPARE(shot.pixelColor(545, 100), QColor(0, 0, 128));
    QCOMPARE(shot.pixelColor(30, 240), picture(Media::Keyboard).pixelColor(5, 5));
}

void TestStartup::aMissingPictureIsSkipped_data()
{
    QTest::addColumn<int>("missing");
    for (int id : {200, 201, 202, 901, 902})
        QTest::addRow("%d", id) << id;
}

void TestStartup::aMissingPictureIsSkipped()
{
    QFETCH(int, missing);
    auto form =
        makeForm([missing](int id, QImage &p) { return id != missing && PictureById(id, p); });
    // The box keeps its design size without a picture; every other step still happened.
    QCOMPARE(form->backgroundPicture().isNull(), missing == Media::Background);
    QCOMPARE(form->PicAll->size(), missing == Media::Keyboard ? QSize(49, 49) : QSize(400, 132));
    QCOMPARE(form->PicAll->pos(), QPoint(25, 235));
    QCOMPARE(form->Picf[2]->hasPicture(), missing != Media::LifeIcon);
    QCOMPARE(form->Picf[2]->pos(), QPoint(504, 8));
    QCOMPARE(form->Picbeg->hasPicture(), missing != Media::StartButton);
    QCOMPARE(form->Pichp->hasPicture(), missing != Media::HelpButton);
    QCOMPARE(form->Pict[7]->pos(), QPoint(320, 321));
    QCOMPARE(form->state.letterCount, qint16(26));
}

void TestStartup::windowsAreFixedWithACloseBoxOnly()
{
    auto form = makeForm();
    const QList<QPair<QWidget *, QSize>> windows = {
        {form.get(), {551, 451}}, {form->form2(), {328, 371}}, {form->form3(), {324, 303}}};
    for (const auto &[window, size] : windows) {
        QVERIFY(window->isWindow());
        QCOMPARE(window->minimumSize(), size);
        QCOMPARE(window->maximumSize(), size);
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }
}

void TestStartup::scoreUsesAChineseFont()
{
    auto form = makeForm();
    const QFontInfo info(form->Label1->font());
    QVERIFY2(info.family().contains(QLatin1String("UMing")) ||
                 info.family().contains(QLatin1String("CJK")),
             qPrintable(info.family()));
    QVERIFY(info.bold());
    QCOMPARE(form->Label1->font().pointSize(), 12);
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
