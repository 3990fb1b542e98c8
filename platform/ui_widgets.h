#pragma once

// The seam's backend of the desktop programs: message boxes, input boxes, file and folder choosers,
// the "Done" window, progress and the file properties window, as Qt widgets.

namespace ui {

// Installs it; the desktop programs do so at start.
void installWidgetsBackend();

}  // namespace ui
