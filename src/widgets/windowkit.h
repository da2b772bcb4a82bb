#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QPushButton>
#include <QSize>
#include <Qt>

class QFocusEvent;
class QLabel;
class QPainter;
class QWidget;

// Window positions on the screen are given in twips: 1440 to the inch, 15 to the pixel at
// 96 dots per inch.
constexpr int twipsToPixels(int twips)
{
    return (twips * 2 + 15) / 30; // rounded to the nearest pixel
}

// A Song (Ming) face for the Chinese texts. Fonts named 宋体/SimSun are rarely on Linux and
// fontconfig would hand out a Latin font without Chinese glyphs, so the request lists CJK
// families that Debian ships.
QFont songFont(int pointSize, bool bold);

// A top-level window with a title bar and a close box only, its client area fixed. A window
// manager that minimises it anyway (some draw the button whatever the hints say) gets it
// straight back: a child who clicks there must not lose the game. Qt::Dialog makes a window
// of its parent's, kept above it by the window manager.
void makeFixedWindow(QWidget *window, QSize clientSize, Qt::WindowType type = Qt::Window);

// Places a top-level window's outer top-left corner on the screen, in twips, moved in just
// far enough to stand wholly on the screen's free area (a small or scaled screen).
void placeWindowInTwips(QWidget *window, int leftTwips, int topTwips);

// A widget's back colour (filled behind its content) and, if given, its text colour.
void setColours(QWidget *widget, const QColor &back, const QColor &text = QColor());

// New elements of a control array start as hidden copies of element 0.
QLabel *createElement(const QLabel &element0);

// The keyboard focus as a parent sees it from a chair across the room: a ring three pixels
// thick over the control's edge, where a style's dotted line would be lost. As on other
// desktops it shows once the keyboard brought the focus, not after a click.
class FocusRing
{
public:
    explicit FocusRing(QColor colour) : m_colour(colour) {}
    // From the control's focusInEvent, before it repaints.
    void focusIn(const QFocusEvent *event);
    // A key that presses the control shows it as well.
    void show() { m_shown = true; }
    // Over everything the control has painted, while it has the focus.
    void paint(QPainter &painter, const QWidget *control) const;

private:
    QColor m_colour;
    bool m_shown = false;
};

// A push button whose keyboard focus shows as a FocusRing in the given colour.
class FocusRingButton final : public QPushButton
{
public:
    FocusRingButton(const QString &text, QWidget *parent, QColor ring);

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    FocusRing m_ring;
};
