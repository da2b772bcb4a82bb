#include "widgets/picturebox.h"

#include "widgets/windowkit.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
// Bright yellow stands out from the navy strip the buttons sit on, and from their frame.
constexpr QColor FocusRingColour(255, 255, 0);

// What a screen reader sees of a box: a picture, or a button that it can press.
class PictureBoxAccessible : public QAccessibleWidget
{
public:
    explicit PictureBoxAccessible(PictureBox *box) : QAccessibleWidget(box) {}

    QAccessible::Role role() const override
    {
        return box()->isButton() ? QAccessible::Button : QAccessible::Graphic;
    }
    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (box()->isButton())
            names.prepend(pressAction());
        return names;
    }
    void doAction(const QString &name) override
    {
        if (name == pressAction() && box()->isButton() && box()->isEnabled())
            box()->press();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    PictureBox *box() const { return static_cast<PictureBox *>(widget()); }
};

QAccessibleInterface *accessibleFor(const QString &className, QObject *object)
{
    if (className == QLatin1String("PictureBox") && object && object->isWidgetType())
        return new PictureBoxAccessible(static_cast<PictureBox *>(object));
    return nullptr;
}
} // namespace

PictureBox::PictureBox(QWidget *parent) : QFrame(parent), m_focusRing(FocusRingColour)
{
    static const bool accessible = (QAccessible::installFactory(accessibleFor), true);
    Q_UNUSED(accessible);
    setFrame(Frame::None);
}

void PictureBox::setButton(bool button)
{
    m_button = button;
    setFocusPolicy(button ? Qt::TabFocus : Qt::NoFocus);
}

void PictureBox::press()
{
    emit clicked();
}

void PictureBox::setFrame(Frame frame)
{
    m_frame = frame;
    // WinPanel is the classic two-pixel 3D border in every style.
    setFrameStyle(frame == Frame::Sunken ? QFrame::WinPanel | QFrame::Sunken : QFrame::NoFrame);
}

void PictureBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    // A picture made for a dense screen covers as many window pixels as its plain twin, so a
    // click's position stays in the picture's own pixels at every scale.
    if (!m_picture.isNull())
        resize(m_picture.deviceIndependentSize().toSize() +
               QSize(2 * frameWidth(), 2 * frameWidth()));
    update();
}

void PictureBox::setBackColor(const QColor &color)
{
    setColours(this, color);
}

void PictureBox::drawLine(QPoint a, QPoint b, const QColor &color)
{
    m_lines.append({a, b, color});
    update();
}

void PictureBox::clearDrawing()
{
    if (m_lines.isEmpty())
        return;
    m_lines.clear();
    update();
}

PictureBox *PictureBox::createElement() const
{
    auto *box = new PictureBox(parentWidget());
    box->setFrame(m_frame);
    box->setGeometry(geometry());
    box->setPalette(palette());
    box->setAutoFillBackground(autoFillBackground());
    box->setToolTip(toolTip());
    box->setAccessibleName(accessibleName());
    box->setButton(m_button);
    box->m_picture = m_picture;
    box->hide();
    return box;
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event); // the frame
    QPainter painter(this);
    const QRect content = contentsRect();
    painter.setClipRect(content);
    painter.translate(content.topLeft());
    if (!m_picture.isNull()) {
        // A 2x picture on a screen scaled by 1.25 or 1.5 is shrunk to fit: smoothly, or its
        // thin lines would break up.
        if (m_picture.devicePixelRatio() > 1.0)
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(0, 0, m_picture);
    }
    for (const DrawnLine &line : m_lines) {
        // Exact pixels: from a up to, not including, b.
        const QPoint step((line.b.x() > line.a.x()) - (line.b.x() < line.a.x()),
                          (line.b.y() > line.a.y()) - (line.b.y() < line.a.y()));
        if (step != QPoint())
            painter.fillRect(QRect(line.a, line.b - step).normalized(), line.color);
    }
    m_focusRing.paint(painter, this);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint() - contentsRect().topLeft();
    m_pressed = true;
    emit mouseDown(event->button(), event->modifiers(), p.x(), p.y());
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const bool inside = rect().contains(event->position().toPoint());
    if (m_pressed && inside && event->button() == Qt::LeftButton)
        emit clicked();
    m_pressed = false;
    event->accept();
}

void PictureBox::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const bool pressKey = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!m_button || !pressKey || (event->modifiers() & ~Qt::KeypadModifier)) {
        event->ignore(); // letters, F1 and the rest belong to the window
        return;
    }
    // A held key presses once: its repeats never get here (HeldKeys).
    m_focusRing.show();
    update();
    press();
    event->accept();
}

void PictureBox::focusInEvent(QFocusEvent *event)
{
    m_focusRing.focusIn(event);
    update();
    QFrame::focusInEvent(event);
}

void PictureBox::focusOutEvent(QFocusEvent *event)
{
    update();
    QFrame::focusOutEvent(event);
}
