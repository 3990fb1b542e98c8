#pragma once

// What the desktop programs set up before anything else: their names, the program's mark as the
// window icon, and the ui seam's widgets backend.

#include <QString>

class QApplication;

namespace client {

// The application's name, "Morvane", is also the title of a box given none. No display name is
// set: the platform would add it to every window title, which must stay exactly as the forms set
// them.
void setUpApplication(QApplication& app, const QString& desktopFileName);

}  // namespace client
