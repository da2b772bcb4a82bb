#include "widgets/windowkit.h"

#include <QLabel>
#include <QWidget>

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

void makeFixedWindow(QWidget *window, QSize clientSize)
{
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    window->setFixedSize(clientSize);
}

void placeWindowInTwips(QWidget *window, int leftTwips, int topTwips)
{
    window->move(twipsToPixels(leftTwips), twipsToPixels(topTwips));
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
