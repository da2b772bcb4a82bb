#include "form3.h"

#include "helptext.h"
#include "windowkit.h"

#include <QCloseEvent>
#include <QLabel>

Form3::Form3(QWidget *mainWindow) : QWidget(nullptr), m_mainWindow(mainWindow)
{
    setWindowTitle(QStringLiteral("帮助"));
    makeFixedWindow(this, {324, 303});
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);

    Label1 = new QLabel(QStringLiteral("Label1"), this);
    Label1->setGeometry(16, 40, 297, 249);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);
}

void Form3::Show()
{
    Form_Load();
    show();
    raise();
    activateWindow();
}

void Form3::Form_Load()
{
    if (m_mainWindow)
        m_mainWindow->setEnabled(false);
    placeWindowInTwips(this, 2200, 2000);
    // Qt breaks lines at "\n"; the stored text keeps its CR LF paragraph breaks.
    Label1->setText(QString(helpText()).remove(QLatin1Char('\r')));
}

void Form3::Form_Unload()
{
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
    emit closed();
}

void Form3::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        Form_Unload();
}
