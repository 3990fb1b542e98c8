#pragma once

// The desktop's side of the shell services, for the widgets backend of the ui seam.

#include <QString>

class QWidget;

namespace shell {

// Asks the file manager over D-Bus to show its properties for the file; when none answers, shows a
// small properties window of our own. Returns at once: the answer is awaited in the background.
void showDesktopProperties(const QString& path, QWidget* owner);

}  // namespace shell
