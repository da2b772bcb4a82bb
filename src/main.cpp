#include "form1.h"
#include "programdir.h"
#include "randomsource.h"
#include "scheduler.h"
#include "sound/sdlsoundoutput.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("shijianbao"));
    app.setApplicationDisplayName(QStringLiteral("识键宝"));
    // Lets a Wayland desktop pair the window with the installed entry and its icon.
    app.setDesktopFileName(QStringLiteral("io.github.shijianbao"));
    app.setQuitOnLastWindowClosed(false); // the game window alone decides when we stop

    QtScheduler scheduler;
    SdlSoundOutput sound;
    ClockRandom random;
    // After the application's name is set: the per-user fallback folder is named after it.
    Form1 form1({scheduler, sound, random, scoreFolder(), {}});
    form1.show();
    return app.exec();
}
