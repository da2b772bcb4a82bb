#pragma once

#include "widgets/windowkit.h"

#include <QFrame>
#include <QImage>
#include <QLine>
#include <QVector>

// A box that shows one picture at its top-left corner and takes the picture's size (plus
// its frame). It also keeps lines drawn onto it until they are cleared, so they survive
// being covered and repainted.
class PictureBox : public QFrame
{
    Q_OBJECT
public:
    enum class Frame
    {
        None,
        Sunken
    };

    explicit PictureBox(QWidget *parent = nullptr);

    void setFrame(Frame frame);

    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }
    bool hasPicture() const { return !m_picture.isNull(); }

    void setBackColor(const QColor &color);

    // A box that acts as a button: Tab reaches it (a mouse click does not move the focus, so a
    // child playing with the mouse never has a button that a stray Space would press), the
    // focus shows once the keyboard brought it, Space and Enter press it, and a screen reader
    // sees a button with a press action. Every other key goes on to the window.
    void setButton(bool button);
    bool isButton() const { return m_button; }
    // Pressed by the keyboard or a screen reader, as a click.
    void press();

    // A horizontal or vertical line from a to b that leaves out its end point, in content
    // pixels.
    void drawLine(QPoint a, QPoint b, const QColor &color);
    void clearDrawing();

    // A hidden copy of this element of a control array.
    PictureBox *createElement() const;

signals:
    // Any mouse button, with the point in pixels of the picture.
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    // Press and release inside the box.
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    struct DrawnLine
    {
        QPoint a, b;
        QColor color;
    };
    Frame m_frame = Frame::None;
    QImage m_picture;
    QVector<DrawnLine> m_lines;
    bool m_pressed = false;
    bool m_button = false;
    FocusRing m_focusRing;
};
