#include "help/form3.h"
#include "leaderboard/form2.h"
#include "main_window/form1.h"
#include "manualscheduler.h"
#include "media/catalogue.h"
#include "rhythm.h"
#include "scriptedrandom.h"
#include "sound/soundoutput.h"
#include "widgets/heldkeys.h"
#include "widgets/picturebox.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <optional>

const char Letters[] = "QWERTYUIOPASDFGHJKLZXCVBNM"; // by key index

// At the ratio of the screen the test runs on (it runs at 1 and at 2).
static QImage picture(int id)
{
    QImage p;
    PictureById(PictureId(id), p, qApp->devicePixelRatio());
    return p;
}

// WCAG 2's relative luminance of a colour, plus the 0.05 of flare of its contrast ratio.
static double luminance(const QColor &c)
{
    const auto lin = [](float v) {
        return v <= 0.04045f ? v / 12.92 : std::pow((v + .055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF()) + 0.05;
}

// A logical pixel of a screenshot taken at any scale.
static QColor at(const QImage &s, int x, int y)
{
    return s.pixelColor(qRound(x * s.devicePixelRatio()), qRound(y * s.devicePixelRatio()));
}

class TestForm1 : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_clock = ManualScheduler();
        m_sound.started = 0;
        m_random = ScriptedRandom();
        m_dir.emplace();
    }
    void layoutAndPictures()
    {
        auto form = makeForm();
        // 2000 and 1000 twips, at 15 to the pixel, unless the window would then stick out of
        // the screen (a small screen at 200 %).
        const QRect screen = form->screen()->availableGeometry();
        QCOMPARE(form->pos(), screen.contains(QRect(QPoint(133, 67), form->size()))
                                  ? QPoint(133, 67)
                                  : screen.topLeft());
        QCOMPARE(form->backgroundPicture(), picture(200));
        // The buttons are their picture plus a two-pixel sunken frame, one clear of the other.
        const QList<std::tuple<PictureBox *, QRect, int>> boxes = {
            {form->PicAll, {25, 235, 400, 132}, 201},
            {form->Picbeg, {480, 176, 54, 39}, 901},
            {form->Pichp, {480, 240, 54, 39}, 902}};
        for (const auto &[box, place, id] : boxes)
            QVERIFY(box->geometry() == place && box->picture() == picture(id));
        QCOMPARE(form->PicDH->pos(), QPoint(130, 230));
        // Two rows of four cards, all hidden copies of the first until a presentation.
        for (int i = 0; i < 8; ++i)
            QVERIFY(form->Pict[i]->geometry() ==
                        QRect(50 + 90 * (i % 4), 225 + 96 * (i / 4), 33, 49) &&
                    form->Pict[i]->isHidden());
        // Three life icons in a row; only the first is in view before the first game.
        for (int i = 0; i < 3; ++i)
            QVERIFY(form->Picf[i]->geometry() == QRect(464 + 20 * i, 8, 16, 16) &&
                    form->Picf[i]->picture() == picture(202) &&
                    form->Picf[i]->isHidden() == (i > 0));
        const QFontInfo font(form->Label1->font());
        QVERIFY2(QRegularExpression("UMing|CJK").match(font.family()).hasMatch() && font.bold() &&
                     form->Label1->font().pointSize() == 12,
                 qPrintable(font.family()));
        // Start-up plays nothing and starts no game.
        QVERIFY(m_sound.started == 0 && !m_clock.hasPending() &&
                form->game().state().phase == Phase::Idle);
        // Rendered: the background picture in the corner, navy in the strip beside it.
        form->show();
        const QImage shot = form->grab().toImage();
        QCOMPARE(at(shot, 5, 5), at(picture(200), 5, 5));
        QCOMPARE(at(shot, 545, 100), QColor(0, 0, 128));
        QCOMPARE(at(shot, 30, 240), at(picture(201), 5, 5));
    }
    void aMissingPictureIsSkipped_data()
    {
        QTest::addColumn<int>("missing");
        for (int id : {200, 201, 202, 901, 902})
            QTest::addRow("%d", id) << id;
    }
    void aMissingPictureIsSkipped()
    {
        QFETCH(int, missing);
        auto form = makeForm([missing](PictureId id, QImage &p, qreal r) {
            return int(id) != missing && PictureById(id, p, r);
        });
        // The box keeps its design size without a picture; every other step still happened.
        QCOMPARE(form->backgroundPicture().isNull(), missing == 200);
        QCOMPARE(form->PicAll->geometry(),
                 QRect(QPoint(25, 235), missing == 201 ? QSize(49, 49) : QSize(400, 132)));
        QVERIFY(form->Picf[2]->hasPicture() == (missing != 202) &&
                form->Picf[2]->pos() == QPoint(504, 8));
        QVERIFY(form->Picbeg->hasPicture() == (missing != 901) &&
                form->Pichp->hasPicture() == (missing != 902));
        QVERIFY(form->Pict[7]->pos() == QPoint(320, 321) && form->game().state().letterCount == 26);
    }
    void windowsAreFixedWithACloseBoxOnly()
    {
        auto form = makeForm();
        QVERIFY(!form->form2() && !form->form3()); // made when first needed
        form->Pichp_Click();
        Form2 leaderboard(form.get(), form->sPath);
        const QList<QPair<QWidget *, QSize>> windows = {
            {form.get(), {551, 451}}, {&leaderboard, {328, 371}}, {form->form3(), {324, 303}}};
        for (const auto &[window, size] : windows) {
            QVERIFY(window->isWindow() && window->minimumSize() == size &&
                    window->maximumSize() == size);
            QCOMPARE(window->windowFlags() &
                         (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint),
                     Qt::WindowCloseButtonHint);
        }
    }
    // The game as the window shows it: each thing the game says lands on the right control.
    void theGameOnTheScreen()
    {
        auto form = makeForm();
        form->show();
        const auto &state = form->game().state();
        QTest::mouseClick(form->Picbeg, Qt::LeftButton);
        QVERIFY(form->PicAll->isHidden() && form->Pict[0]->isVisible());
        QVERIFY(std::all_of(form->Picf.begin(), form->Picf.end(),
                            [](PictureBox *l) { return l->isVisible(); }));
        QCOMPARE(form->Pict[0]->picture(), picture(101 + state.order[0]));
        m_clock.runUntilIdle();
        QVERIFY(form->PicAll->isVisible());
        // Any button, with any modifiers, answers; the outline is painted on the key's edges.
        const QPoint p = Rules::keyCentre(state.order[0]);
        QTest::mouseClick(form->PicAll, Qt::RightButton, Qt::ShiftModifier, p);
        QCOMPARE(form->Label1->text(), QStringLiteral("100"));
        const QImage shot = form->PicAll->grab().toImage();
        const QRect tile(Rules::outlineAt(p.x(), p.y()).front().p1(), QSize(40, 28));
        for (int y = tile.top() - 1; y <= tile.bottom() + 1; ++y)
            for (int x = tile.left() - 1; x <= tile.right() + 1; ++x)
                QCOMPARE(at(shot, x, y) == QColor(Qt::yellow),
                         tile.contains(x, y) && !tile.adjusted(1, 1, -1, -1).contains(x, y));
        m_clock.advance(Rhythm::AfterAnswer + Rhythm::Frame * 4);
        QVERIFY(form->PicAll->isHidden() && form->PicDH->isVisible() &&
                form->PicDH->picture() == picture(301));
        m_clock.runUntilIdle();
        // Four wrong answers, by mouse and by the real keyboard: the lives go right to left, then
        // the leaderboard takes the score.
        QFile(ScoreFile::pathFor(form->sPath)).remove();
        for (int wrong = 0; wrong < 4; ++wrong) {
            const int key = (state.order[0] + 1) % 26;
            if (wrong % 2)
                QTest::keyClick(form.get(), QChar(Letters[key]).toLower().toLatin1());
            else
                QTest::mouseClick(form->PicAll, Qt::LeftButton, {}, Rules::keyCentre(key));
            for (int i = 0; i < 3; ++i)
                QCOMPARE(form->Picf[i]->isVisible(), i < 2 - wrong);
            // Each icon tells a screen reader how many are left.
            QCOMPARE(form->Picf[0]->accessibleName(), QString("生命 %1").arg(qMax(0, 2 - wrong)));
        }
        QVERIFY(form->PicAll->isHidden() && form->PicDH->isVisible() &&
                form->PicDH->picture() == picture(302));
        QVERIFY(form->form2()->isVisible() && !form->isEnabled() && form->form2()->fcount == 100);
        QVERIFY(form->form2()->close() && form->isEnabled());
    }
    void keyboard_data()
    {
        QTest::addColumn<QList<int>>("keys");
        // The button holding the game window's focus at the end; the help window takes it away.
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("started");
        QTest::addColumn<bool>("help");
        QTest::newRow("space unfocused") << QList<int>{Qt::Key_Space} << "" << false << false;
        QTest::newRow("backtab enter")
            << QList<int>{Qt::Key_Backtab, Qt::Key_Return} << "" << false << true;
        QTest::newRow("tab wraps")
            << QList<int>{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Enter} << "开始" << true
            << false;
        QTest::newRow("F1 on a button")
            << QList<int>{Qt::Key_Tab, Qt::Key_F1} << "" << false << true;
        // Back from help, the window is as it was: a Space presses nothing.
        QTest::newRow("help closed, then space")
            << QList<int>{Qt::Key_F1, Qt::Key_Escape, Qt::Key_Space} << "" << false << false;
    }
    void keyboard()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QString, focus);
        auto form = makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        for (int key : keys) {
            // Keys go where the window system sends them: to the focus of the active window,
            // or to the window itself.
            QTRY_VERIFY(QApplication::activeWindow() && QApplication::activeWindow()->isEnabled());
            QWidget *focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : QApplication::activeWindow(), Qt::Key(key));
        }
        auto *focused = qobject_cast<PictureBox *>(form->focusWidget());
        QCOMPARE(focused ? focused->accessibleName() : QString(), focus);
        // The focus shows on the button the keyboard moved it to as a parent sees it from a
        // chair, and goes with the focus: a ring three window pixels thick, at the middle of
        // each side out and in, set off from the navy strip around by a contrast ratio of at
        // least 3:1, the least that the W3C's WCAG asks of a focus mark.
        if (focused) {
            const QImage shot = form->grab().toImage();
            const QRect r = focused->geometry();
            const QPoint c = r.center();
            for (int d : {0, 2})
                for (QPoint p : {QPoint(c.x(), r.top() + d), QPoint(c.x(), r.bottom() - d),
                                 QPoint(r.left() + d, c.y()), QPoint(r.right() - d, c.y())})
                    QVERIFY(luminance(at(shot, p.x(), p.y())) >=
                            3 * luminance(at(shot, r.left() - 1, c.y())));
            focused->clearFocus();
            QVERIFY(form->grab().toImage() != shot);
        }
        QTEST(m_clock.hasPending(), "started");
        QTEST(form->form3() && form->form3()->isVisible(), "help");
    }
    // A key held down, however the window system repeats it, counts once: a wrong letter, a
    // Space on the focused start button, a wrong letter that ends the game and leaves the
    // leaderboard's name box empty. A key held in the name box repeats as in any text box.
    void heldKeys_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("where");
        for (const char *how :
             {"flagged", "Wayland", "release and press", "presses only", "taps", "release missed"})
            for (const char *where : {"letter", "start button", "game over", "name box"})
                QTest::addRow("%s, %s", how, where) << how << where;
    }
    void heldKeys()
    {
        QFETCH(QString, how);
        QFETCH(QString, where);
        HeldKeys heldKeys(qApp);
        auto form = makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        const auto &state = form->game().state();
        // The start button has the keyboard's focus, which passes letters on to the window.
        const bool space = where == "start button";
        form->Picbeg->setFocus(Qt::TabFocusReason);
        if (!space) {
            form->Picbeg_Click();
            m_clock.runUntilIdle();
        }
        const int wrong = (state.order[0] + 1) % 26;
        for (int i = 0; i < (where == "game over" ? 3 : where == "name box" ? 4 : 0); ++i)
            form->PicAll_MouseDown(Qt::LeftButton, {}, 350, 110); // right of M: no letter
        // As X sends a key, with its keycode on a PC keyboard, to the window that has the
        // keyboard; the server repeats a held key after 660 ms, 25 times a second. Qt's Wayland
        // client repeats it itself, each repeat flagged and stamped with the press's own time.
        const int scan = space ? 65 : 24 + wrong + 4 * (wrong > 9) + 5 * (wrong > 18);
        const QString text = space ? " " : QString(QChar(Letters[wrong]).toLower());
        const quint64 at = 1'000'000; // the window system's clock
        const auto send = [&](QEvent::Type type, quint64 t, bool flagged) {
            QCoreApplication::processEvents();
            QKeyEvent event(type, space ? int(Qt::Key_Space) : Letters[wrong], Qt::NoModifier, scan,
                            0, 0, text, flagged);
            event.setTimestamp(t);
            QCoreApplication::sendEvent(QGuiApplication::focusWindow(), &event);
        };
        send(QEvent::KeyPress, at, false);
        for (int i = 1; i <= 2; ++i) {
            const bool flagged = how == "flagged" || how == "Wayland";
            const quint64 t = how == "Wayland" ? at : at + 620 + 40 * i;
            if (flagged || how == "release and press" || how == "taps")
                send(QEvent::KeyRelease, how == "taps" ? t - 100 : t, flagged);
            send(QEvent::KeyPress, how == "release missed" ? at + 2000 * i : t, flagged);
        }
        send(QEvent::KeyRelease, at + 9000, false);

        const int typed = form->form2() ? int(form->form2()->Text1->text().size()) : -1;
        QCOMPARE(where == "letter" ? 3 - state.lives
                 : space           ? m_random.reseeds
                                   : typed + (where == "game over"),
                 // Of the three presses of a hold one counts, in the name box all three; of
                 // three taps, three.
                 how != "taps" && how != "release missed" && where != "name box" ? 1 : 3);
    }
    void screenReaderNames()
    {
        auto form = makeForm();
        const QList<std::tuple<QWidget *, QString, QAccessible::Role>> controls = {
            {form->PicAll, "键盘", QAccessible::Graphic},
            {form->Label1, "得分 0", QAccessible::StaticText},
            {form->Picf[0], "生命 1", QAccessible::Graphic},
            {form->Pichp, "帮助", QAccessible::Button},
            {form->Picbeg, "开始", QAccessible::Button}};
        for (const auto &[widget, name, role] : controls) {
            QAccessibleInterface *control = QAccessible::queryAccessibleInterface(widget);
            QVERIFY2(control->text(QAccessible::Name) == name && control->role() == role,
                     qPrintable(name));
            QAccessibleActionInterface *actions = control->actionInterface();
            QCOMPARE(actions && actions->actionNames().contains(actions->pressAction()),
                     role == QAccessible::Button);
            if (role == QAccessible::Button)
                actions->doAction(actions->pressAction());
            // Pressing the help button opens help (closed again here), the start button starts a
            // game.
            QCOMPARE(m_clock.hasPending() || (form->form3() && form->form3()->close()),
                     role == QAccessible::Button);
        }
    }

private:
    std::unique_ptr<Form1> makeForm(std::function<bool(PictureId, QImage &, qreal)> pictures = {})
    {
        return std::make_unique<Form1>(
            Form1Services{m_clock, m_sound, m_random, m_dir->path(), std::move(pictures)});
    }
    ManualScheduler m_clock;
    struct : SoundOutput
    {
        void StartSound(const QByteArray &) override { ++started; }
        int started = 0;
    } m_sound;
    ScriptedRandom m_random;
    std::optional<QTemporaryDir> m_dir;
};

// Pictures twice as dense for a scaled screen cover the same window pixels, so clicks keep
// landing on the keyboard picture's own pixels.
QTEST_MAIN(TestForm1)
#include "test_form1.moc"
