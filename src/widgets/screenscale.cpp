#include "widgets/screenscale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGlobal>
#include <QtGui/private/qhighdpiscaling_p.h>

#include <algorithm>
#include <cmath>

namespace {
// Our pixels per inch at the designed size: the design's 15 twips to the pixel.
constexpr qreal DesignedDpi = 96.0;
// A screen that reports less or more is guessing (a projector, a television, a driver that
// makes the figure up): it keeps the scale it has.
constexpr qreal MinBelievableDpi = 80.0, MaxBelievableDpi = 400.0;
constexpr qreal MinDiagonalInches = 10.0, MaxDiagonalInches = 40.0;
// Room for a window manager's frame, in screen pixels: a title bar and borders. The frame is
// known only once the window is shown, when moving to another scale would make it jump.
constexpr int FrameAllowanceX = 16, FrameAllowanceY = 48;
} // namespace

qreal applyDesignedScale(QSize clientSize)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1.0;
    const qreal current = screen->devicePixelRatio();
    const QSizeF mm = screen->physicalSize();
    const QSizeF pixels = QSizeF(screen->geometry().size()) * current;
    qreal wanted = current;
    if (mm.width() > 0 && mm.height() > 0) {
        const qreal dpiX = pixels.width() / (mm.width() / 25.4);
        const qreal dpiY = pixels.height() / (mm.height() / 25.4);
        const qreal inches = std::hypot(mm.width(), mm.height()) / 25.4;
        const auto believable = [](qreal v, qreal lo, qreal hi) { return v >= lo && v <= hi; };
        if (believable(dpiX, MinBelievableDpi, MaxBelievableDpi) &&
            believable(dpiY, MinBelievableDpi, MaxBelievableDpi) &&
            believable(inches, MinDiagonalInches, MaxDiagonalInches))
            wanted = std::max(current, (dpiX + dpiY) / 2 / DesignedDpi);
    }
    // The largest scale at which the window with its frame stands on the free area; a scale
    // the user set is cut down to it too, or the bottom of the game would be off the screen.
    const QSizeF free = QSizeF(screen->availableGeometry().size()) * current;
    const qreal fits = std::min((free.width() - FrameAllowanceX) / clientSize.width(),
                                (free.height() - FrameAllowanceY) / clientSize.height());
    wanted = std::max(std::min(wanted, fits), std::min(current, 1.0));
    if (std::abs(wanted - current) >= 0.005)
        setScale(screen, wanted);
    return screen->devicePixelRatio();
}

qreal fillingScale(const QScreen *screen, QSize clientSize)
{
    const QSizeF pixels = QSizeF(screen->geometry().size()) * screen->devicePixelRatio();
    return std::min(pixels.width() / clientSize.width(), pixels.height() / clientSize.height());
}

qreal setScale(QScreen *screen, qreal scale)
{
    const qreal was = screen->devicePixelRatio();
    // What QT_SCALE_FACTOR sets: unlike a screen's own factor, it also scales text given in
    // points. A screen's factor (QT_SCREEN_SCALE_FACTORS, Xft.dpi) multiplies it.
    static qreal global = [] {
        bool ok = false;
        const qreal set = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
        return ok && set > 0 ? set : 1.0;
    }();
    global = scale / (was / global);
    // Qt warns against a new factor while windows exist, for windows it cannot redraw; ours
    // are redrawn from their pictures at the new scale.
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (!message.startsWith(QLatin1String("QHighDpiScaling::setFactor")))
                previous(type, context, message);
        });
    QHighDpiScaling::setGlobalFactor(global);
    qInstallMessageHandler(previous);
    return was;
}
