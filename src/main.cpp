#include "main_window/form1.h"
#include "platform/randomsource.h"
#include "platform/scheduler.h"
#include "platform/terminationsignals.h"
#include "sound/sdlsoundoutput.h"
#include "widgets/heldkeys.h"
#include "widgets/screenscale.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The game window's client area in game pixels; every window is drawn at its designed
    // size on the screen where that fits, before the first one exists.
    applyDesignedScale(Form1::ClientSize);
    app.setApplicationName(QStringLiteral("shijianbao"));
    // No application display name: Qt would add it to every other window's title, and a
    // desktop would show the leaderboard as "排行榜 — 识键宝" instead of "排行榜".
    // Lets a Wayland desktop pair the window with the installed entry and its icon.
    app.setDesktopFileName(QStringLiteral("io.github.shijianbao"));
    app.setQuitOnLastWindowClosed(false);  // the game window alone decides when we stop
    HeldKeys heldKeys(&app);               // a key held down counts once
    TerminationSignals terminationSignals; // before the first sound loads SDL

    QtScheduler scheduler;
    SdlSoundOutput sound;
    ClockRandom random;
    // Start-up touches no file: where scores are kept is decided when the leaderboard opens.
    Form1 form1({scheduler, sound, random, QCoreApplication::applicationDirPath(), {}});
    form1.show();
    // A logout, `kill` or Ctrl+C ends the game as its close box does.
    QObject::connect(&terminationSignals, &TerminationSignals::received, &form1, &QWidget::close);
    return app.exec();
}
