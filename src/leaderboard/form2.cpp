#include "form2.h"

#include "windowkit.h"

Form2::Form2(QWidget *mainWindow, const QString &sPath, SoundOutput &sound)
    : QWidget(nullptr), m_mainWindow(mainWindow), m_sPath(sPath), m_sound(sound)
{
    setWindowTitle(QStringLiteral("排行榜"));
    makeFixedWindow(this, {328, 371});
}

void Form2::Show()
{
    show();
}
