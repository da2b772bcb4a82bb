#include "widgets/childwindow.h"

#include "widgets/windowkit.h"

#include <QCloseEvent>

ChildWindow::ChildWindow(QWidget *mainWindow, const QString &title, QSize clientSize,
                         const QColor &back)
    : QWidget(nullptr), m_mainWindow(mainWindow)
{
    setWindowTitle(title);
    makeFixedWindow(this, clientSize);
    setColours(this, back);
}

void ChildWindow::Show()
{
    if (m_mainWindow)
        m_mainWindow->setEnabled(false);
    Form_Load();
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
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
    emit closed();
}
