#include "widgets/childwindow.h"

#include "widgets/windowkit.h"

#include <QCloseEvent>
#include <QKeyEvent>

ChildWindow::ChildWindow(QWidget *mainWindow, const QString &title, QSize clientSize,
                         const QColor &back)
    : QWidget(mainWindow), m_mainWindow(mainWindow)
{
    setWindowTitle(title);
    // Parented, a dialog is transient for the game window; without a parent a window manager
    // treats it as a window of its own that a click on the game window buries.
    makeFixedWindow(this, clientSize, Qt::Dialog);
    setColours(this, back);
    if (m_mainWindow) {
        setWindowIcon(m_mainWindow->windowIcon());
        m_mainWindow->installEventFilter(this);
    }
}

void ChildWindow::open()
{
    if (m_mainWindow) {
        m_mainFocus = m_mainWindow->focusWidget();
        m_mainWindow->setEnabled(false);
    }
    // Disabling a widget disables its children, dialogs included; a window of its own may be
    // enabled again under a disabled parent, and this one must be, or nothing could close it.
    setEnabled(true);
    Form_Load();
    if (m_mainWindow && m_mainWindow->isFullScreen()) {
        // Over a full-screen game its place in twips would be off to one side: centred on it.
        QRect place = frameGeometry();
        place.moveCenter(m_mainWindow->geometry().center());
        move(place.topLeft());
    }
    show();
    raise();
    activateWindow();
    shown();
}

void ChildWindow::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (!event->isAccepted())
        return;
    Form_Unload();
    if (m_mainWindow) {
        m_mainWindow->setEnabled(true);
        // The game window gets the keyboard back as it was. Disabling it moved its focus on
        // to the start button, unmarked, where the next Space would throw the game away.
        (m_mainFocus ? m_mainFocus.data() : m_mainWindow)->setFocus(Qt::ActiveWindowFocusReason);
        m_mainWindow->activateWindow();
    }
    emit closed();
}

void ChildWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Cancel))
        close();
    else
        QWidget::keyPressEvent(event);
}

bool ChildWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The game window takes nothing while this window is open; when a click brings it to the
    // front anyway, the keys belong here, where the child can act.
    if (watched == m_mainWindow && event->type() == QEvent::WindowActivate && isVisible())
        activateWindow();
    return QWidget::eventFilter(watched, event);
}
