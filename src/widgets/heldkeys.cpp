#include "widgets/heldkeys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {
// A key pressed again with no release seen since, this long after its last press, was let go
// while another program had the keyboard: a new press. A held key repeats sooner than this (an
// X server waits 660 ms by default before the first repeat, then repeats 25 times a second).
constexpr qint64 MissedReleaseMs = 1000;
} // namespace

HeldKeys::HeldKeys(QCoreApplication *application) : QObject(application)
{
    application->installEventFilter(this);
}

bool HeldKeys::isRepeat(const QKeyEvent &key, const Down *down)
{
    // The flag comes first: a Wayland client's repeats carry the first press's own time stamp.
    if (key.isAutoRepeat())
        return true;
    if (!down)
        return false;
    const qint64 at = qint64(key.timestamp());
    // An X server repeats a held key as a release and a press with one time stamp; no hand
    // lets go of a key and presses it again within a millisecond. Events made up by a program
    // may carry no time at all (0).
    if (down->releasedAt)
        return at != 0 && qAbs(at - qint64(*down->releasedAt)) <= 1;
    const qint64 since = at - qint64(down->lastPressAt);
    return since >= 0 && since < MissedReleaseMs;
}

bool HeldKeys::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // Only at the window: what Qt then passes on to the widgets has been judged here.
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !watched->isWindowType())
        return false;
    auto *window = static_cast<QWindow *>(watched);
    const auto &key = *static_cast<const QKeyEvent *>(event);
    // A key made up by a program (a test, an input method) has no scan code; its Qt key names
    // it then, apart from every scan code.
    const quint64 code =
        key.nativeScanCode() ? key.nativeScanCode() : (quint64(1) << 32 | quint32(key.key()));
    const auto down = m_down.find(code);
    if (type == QEvent::KeyRelease) {
        if (down != m_down.end() && !key.isAutoRepeat())
            down->releasedAt = key.timestamp();
        return false;
    }
    if (!isRepeat(key, down == m_down.end() ? nullptr : &*down)) {
        m_down.insert(code, {window, key.timestamp(), {}});
        return false;
    }
    // A repeat of a key that went down before this program had the keyboard is no one's here.
    Down &held = down != m_down.end() ? *down : *m_down.insert(code, {});
    held.lastPressAt = key.timestamp();
    held.releasedAt.reset();
    const auto *focus = qobject_cast<const QWidget *>(window->focusObject());
    const bool textBox =
        held.window == window && focus && focus->testAttribute(Qt::WA_InputMethodEnabled);
    return !textBox;
}
