// A button's keyboard focus as a parent sees it from a chair, at 1x and at 2x: a ring three
// pixels thick all round the button, unlike the button before, and set off from the navy strip
// around it by a contrast ratio of at least 3:1 (the least the W3C's accessibility guidelines
// ask of a focus mark). A click shows nothing; Tab shows it.
#include "widgets/picturebox.h"
#include "widgets/windowkit.h"

#include <QTest>

#include <cmath>

static double luminance(const QColor &c) // relative luminance, as WCAG 2 defines it
{
    const auto linear = [](float v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

class TestPictureBox : public QObject
{
    Q_OBJECT
private slots:
    void focusRing()
    {
        QWidget strip;
        setColours(&strip, QColor(0, 0, 128));
        strip.resize(101, 120);
        PictureBox button(&strip);
        QImage picture(50, 35, QImage::Format_RGB32);
        picture.fill(QColor(192, 192, 192));
        button.setFrame(PictureBox::Frame::Sunken);
        button.setButton(true);
        button.setPicture(picture);
        button.move(20, 40);
        strip.setFocus(); // as the game window does, until Tab moves the focus to a button
        strip.show();
        QVERIFY(QTest::qWaitForWindowActive(&strip));
        const QImage before = strip.grab().toImage();
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(strip.grab().toImage(), before);

        QTest::keyClick(&strip, Qt::Key_Tab);
        const QImage after = strip.grab().toImage();
        const double scale = after.devicePixelRatio(), navy = luminance(after.pixelColor(0, 0));
        const QRect box(button.pos() * scale, button.size() * scale);
        int faint = 0;
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) {
                const int depth = std::min({x - box.left(), box.right() - x, y - box.top(), box.bottom() - y});
                const double l = luminance(after.pixelColor(x, y));
                faint += depth < 3 * scale && (after.pixel(x, y) == before.pixel(x, y) ||
                                               (std::max(l, navy) + 0.05) / (std::min(l, navy) + 0.05) < 3);
            }
        }
        QCOMPARE(faint, 0);
    }
};

QTEST_MAIN(TestPictureBox)
#include "test_picturebox.moc"
