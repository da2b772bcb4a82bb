#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWindow>

#include <optional>

class QCoreApplication;
class QKeyEvent;

// A key counts when it goes down, once. Installed on the application, this filter takes each
// key where the window system delivers it, at the window, before Qt hands it to the focus
// widget and that widget's parents, so every press passes here once. It knows which keys are
// down, by the keyboard's own code for each, and holds back the presses of a key held down,
// however the window system repeats it: as presses flagged as repeats (Qt's X11 guess, and
// every repeat a Wayland client makes itself); as a release and a press at the same moment
// (an X server's repeat, which Qt flags only when it happens to have both queued); or as
// presses with no release between (XKB's detectable repeat). A repeat reaches only a text box
// in the window where its key went down, which repeats a held key as every text box does; a
// key held down when another window comes up types nothing there.
class HeldKeys : public QObject
{
public:
    // Filters the keys of the whole application for as long as it lives.
    explicit HeldKeys(QCoreApplication *application);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Down
    {
        QPointer<QWindow> window;          // where it went down; null when not in this program
        quint64 lastPressAt = 0;           // the press, or its latest repeat
        std::optional<quint64> releasedAt; // a release that may yet turn out to be a repeat's
    };
    static bool isRepeat(const QKeyEvent &key, const Down *down);

    QHash<quint64, Down> m_down;
};
