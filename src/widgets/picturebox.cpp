#include "widgets/picturebox.h"

#include "widgets/windowkit.h"

#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget *parent) : QFrame(parent)
{
    setFrame(Frame::None);
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
    if (!m_picture.isNull())
        // A picture made for a scaled screen covers the logical size of its plain twin.
        resize(m_picture.deviceIndependentSize().toSize()
               + QSize(2 * frameWidth(), 2 * frameWidth()));
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
