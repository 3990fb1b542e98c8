#pragma once

// Where windows go on the screen: never larger than the screen's available area, never out of reach.

#include <QRect>

class QWidget;

namespace platform {

// The window frame moved, and shrunk where it is larger, into the available area (without panels)
// of the screen it mostly lies on, or of the primary screen when it lies on none.
QRect fitToScreen(const QRect& frame);
// Moves and sizes window (a top-level widget, shown or not) by fitToScreen, counting its frame
// (before the window manager has framed it, the room a title bar and borders usually take).
void keepOnScreen(QWidget* window);
// Centres window over owner's window, kept on that screen.
void placeOver(QWidget* window, const QWidget* owner);

}  // namespace platform
