// A button's keyboard focus as a parent sees it from a chair, at 1x and at 2x: Tab draws a ring
// three window pixels thick all round the button, set off from the navy strip around it by a
// contrast ratio of at least 3:1, the least that the W3C's WCAG asks of a focus mark (with its
// formula for luminance, below).
#include "widgets/picturebox.h"
#include "widgets/windowkit.h"

#include <QTest>

#include <cmath>

static double luminance(const QColor &c) // plus the 0.05 of flare of WCAG's contrast ratio
{
    const auto lin = [](float v) {
        return v <= 0.04f ? v / 12.92 : std::pow((v + .055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF()) + 0.05;
}

class TestPictureBox : public QObject
{
    Q_OBJECT
private slots:
    void focusRing()
    {
        QWidget strip; // as the game window, which holds the focus until Tab moves it
        setColours(&strip, QColor(0, 0, 128));
        strip.setFocus();
        PictureBox button(&strip);
        button.setFrame(PictureBox::Frame::Sunken);
        button.setButton(true);
        button.setGeometry(20, 40, 54, 39);
        strip.show();
        QVERIFY(QTest::qWaitForWindowActive(&strip));
        QTest::keyClick(&strip, Qt::Key_Tab);
        const QImage shot = strip.grab().toImage();
        const int s = shot.devicePixelRatio(), in = 3 * s - 1; // the ring's outer, inner pixel
        for (int d : {0, in}) { // the middle of each side, ring pixels out and in
            for (QPoint p : {QPoint(47 * s, 40 * s + d), QPoint(47 * s, 79 * s - 1 - d),
                             QPoint(20 * s + d, 59 * s), QPoint(74 * s - 1 - d, 59 * s)})
                QVERIFY(luminance(shot.pixelColor(p)) >= 3 * luminance(shot.pixelColor(0, 0)));
        }
    }
};

QTEST_MAIN(TestPictureBox)
#include "test_picturebox.moc"
