#pragma once

#include <QSize>

class QScreen;

// The game is designed in physical units (twips and points): its window's client area is
// 14.6 x 11.9 cm. Qt maps 96 of our pixels to the desktop's logical inch, which on a dense
// laptop screen draws the game at two thirds of that size, too small for a child's hand.
//
// Called once, after the application exists and before any window does: where the screen
// tells a believable physical size, its scale becomes the larger of the designed one and the
// one the desktop or the user set (QT_SCALE_FACTOR, QT_SCREEN_SCALE_FACTORS, Xft.dpi), but
// never more than lets a window of `clientSize` and its frame fit the screen's free area.
// Returns the factor from game pixels to screen pixels that is now in force.
qreal applyDesignedScale(QSize clientSize);

// The scale, from game pixels to screen pixels, at which a game of `clientSize` fills the
// height or the width of the screen the window stands on.
qreal fillingScale(const QScreen *screen, QSize clientSize);

// Draws every window on `screen` at `scale` screen pixels to a game pixel from now on,
// whatever QT_SCALE_FACTOR says; returns the scale that was in force.
qreal setScale(QScreen *screen, qreal scale);
