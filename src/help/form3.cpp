#include "help/form3.h"

#include "help/helptext.h"
#include "widgets/windowkit.h"

#include <QLabel>

Form3::Form3(QWidget *mainWindow)
    : ChildWindow(mainWindow, QStringLiteral("帮助"), {324, 303}, Qt::white)
{
    Label1 = new QLabel(QStringLiteral("Label1"), this);
    Label1->setGeometry(16, 40, 297, 249);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);
}

void Form3::Form_Load()
{
    placeWindowInTwips(this, 2200, 2000);
    // Qt breaks lines at "\n"; the stored text keeps its CR LF paragraph breaks.
    Label1->setText(QString(helpText()).remove(QLatin1Char('\r')));
}
