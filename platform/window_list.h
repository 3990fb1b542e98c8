#pragma once

// The top-level windows of every program on the screen, where the display lets us see them.

#include <QStringList>

#include <optional>

namespace platform {

// The titles (up to 255 characters) of the visible top-level windows of all programs: those the
// window manager lists as its clients (shown or minimised), or, without a window manager, the
// mapped windows on the root. nullopt when the display is not an X11 one.
std::optional<QStringList> desktopWindowTitles();

}  // namespace platform
