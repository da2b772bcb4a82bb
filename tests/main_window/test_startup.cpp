#include "catalogue.h"
#include "form1.h"
#include "form2.h"
#include "form3.h"
#include "picturebox.h"
#include "randomsource.h"
#include "recordingsound.h"
#include "scheduler.h"

#include <QFontInfo>
#include <QLabel>
#include <QTemporaryDir>
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
    void init();
    void cleanup();
    void windowAndPictures();
    void cardGrid_data();
    void cardGrid();
    void lifeIcons();
    void pathEndsInOneSeparator_data();
    void pathEndsInOneSeparator();
    void aMissingPictureIsSkipped_data();
    void aMissingPictureIsSkipped();
    void windowsAreFixedWithACloseBoxOnly();
    void scoreUsesAChineseFont();
    void startUpPlaysNothingAndStartsNoGame();

private:
    std::unique_ptr<Form1> makeForm(std::function<bool(int, QImage &)> pictures = {},
                                    QString dir = QDir::tempPath());
    ManualScheduler m_clock;
    RecordingSound m_sound{&m_clock};
    FixedRandom m_random;
};

std::unique_ptr<Form1> TestStartup::makeForm(std::function<bool(int, QImage &)> pictures,
                                             QString dir)
{
    return std::make_unique<Form1>(
        Form1Services{m_clock, m_sound, m_random, dir, std::move(pictures)});
}

void TestStartup::init()
{
    m_sound.clear();
}

void TestStartup::cleanup() {}

void TestStartup::windowAndPictures()
{
    auto form = makeForm();
    // Left 2000, Top 1000 twips, at 15 twips to the pixel.
    QCOMPARE(form->pos(), QPoint(133, 67));
    QCOMPARE(form->windowTitle(), QStringLiteral("识键宝"));
    QCOMPARE(form->backgroundPicture(), picture(200));

    QCOMPARE(form->PicAll->geometry(), QRect(25, 235, 400, 132));
    QCOMPARE(form->PicAll->picture(), picture(201));
    // The buttons are their picture plus a two-pixel sunken frame, one clear of the other.
    QCOMPARE(form->Picbeg->geometry(), QRect(480, 176, 54, 39));
    QCOMPARE(form->Picbeg->picture(), picture(901));
    QCOMPARE(form->Pichp->geometry(), QRect(480, 240, 54, 39));
    QCOMPARE(form->Pichp->picture(), picture(902));
    QCOMPARE(form->Picbeg->toolTip(), QStringLiteral("开始"));
    QCOMPARE(form->Pichp->toolTip(), QStringLiteral("帮助"));

    QCOMPARE(form->PicDH->pos(), QPoint(130, 230));
    QVERIFY(!form->PicDH->hasPicture());
    QCOMPARE(form->Label1->text(), QStringLiteral("0"));
    QCOMPARE(form->Label1->geometry(), QRect(472, 400, 65, 25));

    // Rendered: the background picture in the corner, navy in the strip beside it.
    form->show();
    const QImage shot = form->grab().toImage();
    QCOMPARE(shot.pixelColor(5, 5), picture(200).pixelColor(5, 5));
    QCOMPARE(shot.pixelColor(545, 100), QColor(0, 0, 128));
    QCOMPARE(shot.pixelColor(30, 240), picture(201).pixelColor(5, 5));
}

void TestStartup::cardGrid_data()
{
    QTest::addColumn<int>("card");
    QTest::addColumn<QPoint>("pos");
    const QPoint expected[] = {{50, 225}, {140, 225}, {230, 225}, {320, 225},
                               {50, 321}, {140, 321}, {230, 321}, {320, 321}};
    for (int i = 0; i < 8; ++i)
        QTest::addRow("Pict(%d)", i) << i << expected[i];
}

void TestStartup::cardGrid()
{
    QFETCH(int, card);
    auto form = makeForm();
    QCOMPARE(int(form->Pict.size()), 8);
    QTEST(form->Pict[card]->pos(), "pos");
    // Copies of element 0: same size, hidden until a presentation shows them.
    QCOMPARE(form->Pict[card]->size(), form->Pict[0]->size());
    QVERIFY(form->Pict[card]->isHidden());
}

void TestStartup::lifeIcons()
{
    auto form = makeForm();
    QCOMPARE(int(form->Picf.size()), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(form->Picf[i]->geometry(), QRect(464 + 20 * i, 8, 16, 16));
        QCOMPARE(form->Picf[i]->picture(), picture(202));
    }
    QVERIFY(!form->Picf[0]->isHidden());
    QVERIFY(form->Picf[1]->isHidden());
    QVERIFY(form->Picf[2]->isHidden());
}

void TestStartup::pathEndsInOneSeparator_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("sPath");
    QTest::newRow("folder") << "/opt/game"
                            << "/opt/game/";
    QTest::newRow("root") << "/"
                          << "//";
}

void TestStartup::pathEndsInOneSeparator()
{
    QFETCH(QString, dir);
    auto form = makeForm({}, dir);
    QTEST(form->sPath, "sPath");
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
    QCOMPARE(form->backgroundPicture().isNull(), missing == 200);
    QCOMPARE(form->PicAll->hasPicture(), missing != 201);
    QCOMPARE(form->PicAll->pos(), QPoint(25, 235));
    QCOMPARE(form->PicAll->size(), missing == 201 ? QSize(49, 49) : QSize(400, 132));
    QCOMPARE(form->Picf[2]->hasPicture(), missing != 202);
    QCOMPARE(form->Picf[2]->pos(), QPoint(504, 8));
    QCOMPARE(form->Picbeg->hasPicture(), missing != 901);
    QCOMPARE(form->Pichp->hasPicture(), missing != 902);
    QCOMPARE(form->Pict[7]->pos(), QPoint(320, 321));
    QCOMPARE(form->state.letterCount, qint16(26));
}

void TestStartup::windowsAreFixedWithACloseBoxOnly()
{
    auto form = makeForm();
    const QList<QPair<QWidget *, QSize>> windows = {
        {form.get(), {551, 451}}, {form->form2(), {328, 371}}, {form->form3(), {324, 303}}};
    for (const auto &[window, size] : windows) {
        QCOMPARE(window->minimumSize(), size);
        QCOMPARE(window->maximumSize(), size);
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(window->isWindow());
    }
    QCOMPARE(form->form2()->windowTitle(), QStringLiteral("排行榜"));
    QCOMPARE(form->form3()->windowTitle(), QStringLiteral("帮助"));
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

void TestStartup::startUpPlaysNothingAndStartsNoGame()
{
    auto form = makeForm();
    QVERIFY(m_sound.played.isEmpty());
    QVERIFY(!m_clock.hasPending());
    QVERIFY(!form->state.accepting);
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
