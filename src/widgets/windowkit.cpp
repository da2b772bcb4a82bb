#include "widgets/windowkit.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {
// The window's outer rectangle moved in just far enough to stand wholly on the free area.
QPoint onScreen(const QWidget *window, QPoint place)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return place;
    const QRect free = screen->availableGeometry();
    const QSize outer = window->frameGeometry().size();
    return {std::max(free.left(), std::min(place.x(), free.right() + 1 - outer.width())),
            std::max(free.top(), std::min(place.y(), free.bottom() + 1 - outer.height()))};
}

// Undoes a minimise as soon as the window manager reports it, and once the window manager
// has framed the window, moves it in if the frame pokes off the screen.
class WindowKeeper : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::WindowStateChange && window->isMinimized()) {
            // Not from inside the state change itself: the platform is still delivering it.
            QMetaObject::invokeMethod(
                window,
                [window] { window->setWindowState(window->windowState() & ~Qt::WindowMinimized); },
                Qt::QueuedConnection);
        } else if (event->type() == QEvent::WindowActivate && !m_framed) {
            // Placing before the first showing knew the client area only.
            m_framed = true;
            const QPoint place = onScreen(window, window->pos());
            if (place != window->pos())
                window->move(place);
        }
        return false;
    }

private:
    bool m_framed = false;
};
} // namespace

QFont songFont(int pointSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                      QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

void makeFixedWindow(QWidget *window, QSize clientSize, Qt::WindowType type)
{
    window->setWindowFlags(type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    window->setFixedSize(clientSize);
    window->installEventFilter(new WindowKeeper(window));
}

void placeWindowInTwips(QWidget *window, int leftTwips, int topTwips)
{
    window->move(onScreen(window, {twipsToPixels(leftTwips), twipsToPixels(topTwips)}));
}

void setColours(QWidget *widget, const QColor &back, const QColor &text)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, back);
    if (text.isValid())
        p.setColor(QPalette::WindowText, text);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

QLabel *createElement(const QLabel &element0)
{
    auto *label = new QLabel(element0.parentWidget());
    label->setGeometry(element0.geometry());
    label->setText(element0.text());
    label->setFont(element0.font());
    label->setPalette(element0.palette());
    label->setAutoFillBackground(element0.autoFillBackground());
    label->setAlignment(element0.alignment());
    label->setWordWrap(element0.wordWrap());
    label->setEnabled(element0.isEnabled());
    label->hide();
    return label;
}

void FocusRing::focusIn(const QFocusEvent *event)
{
    // A window that comes back to the front shows it as it was.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        m_shown = true;
    else if (event->reason() != Qt::ActiveWindowFocusReason)
        m_shown = false;
}

void FocusRing::paint(QPainter &painter, const QWidget *control) const
{
    constexpr int Width = 3;
    if (!m_shown || !control->hasFocus())
        return;
    painter.resetTransform();
    painter.setClipping(false);
    const QRect outer = control->rect();
    const QRegion ring =
        QRegion(outer).subtracted(outer.marginsRemoved(QMargins(Width, Width, Width, Width)));
    for (const QRect &band : ring)
        painter.fillRect(band, m_colour);
}

FocusRingButton::FocusRingButton(const QString &text, QWidget *parent, QColor ring)
    : QPushButton(text, parent), m_ring(ring)
{}

void FocusRingButton::paintEvent(QPaintEvent *event)
{
    QPushButton::paintEvent(event);
    QPainter painter(this);
    m_ring.paint(painter, this);
}

void FocusRingButton::focusInEvent(QFocusEvent *event)
{
    m_ring.focusIn(event);
    QPushButton::focusInEvent(event);
}
