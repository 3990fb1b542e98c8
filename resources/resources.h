#pragma once

// The program's pictures and default toolbar layouts, compiled in as Qt resources: the image-list
// pictures ":/icons/FILE16.png" … ":/icons/WEB32.png", the tool pictures ":/toolbar/NAME.png" and
// the layouts ":/toolbars/Toolbars.tb" and ":/toolbars/VBToolbars.tb", and the add-in's command faces
// ":/faces/app.png", ":/faces/website.png", ":/faces/help.png".

#include <QIcon>

// Registers them. They sit in a static library, whose resource part the linker would leave out
// when nothing refers to it: call this before the first use. Further calls do nothing.
void initResources();

// The program's one mark, drawn for 16, 32, 64 and 128 pixels: window icons, the splash window, the
// about window and the tree's root all show it. Registers the resources first.
QIcon programIcon();
