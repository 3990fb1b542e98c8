#pragma once

// The toolbar-and-menu control's layout as plain data, and its text file format. The format is
// line-based UTF-8:
//
//   MorvaneToolbarLayout 1
//   tool BTN_Open caption="&Open..." tip="Open a library" shortcut="Ctrl+O" picture="builtin:open"
//   tool BTN_FILE kind=menu caption="&File" opens=mnuFile
//   band mnuMain kind=menubar caption="Menu Bar"
//     item BTN_FILE
//   endband
//   band Standard kind=toolbar caption="Standard" page=1
//     page "Library"
//     page "Edit"
//     item BTN_Open
//     separator page=1
//     item BTN_Cut page=1 enabled=0
//   endband
//   end
//
// Tools are defined before the bands that show them; an item line is one band's copy of a tool
// and names only what differs from the tool's definition. Keys left out take their defaults, so
// files can be written by hand. Without the final "end" line a file is refused: a file cut short
// never loads as a smaller layout.

#include "base/error.h"

#include <QByteArray>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>

namespace toolbar {

enum class BandKind { MenuBar, ToolBar, Popup, SubMenu };
enum class Dock { Top, Bottom, Left, Right };
enum class ToolKind { Button, Menu, ComboBox };
enum class ButtonStyle { Icon, Text, IconAndText };

// The control's own error numbers, in the range components use (vbObjectError + n), so they
// never pass for an engine error. A missing file gives mrv::errFileNotFound, a file that
// cannot be read or written mrv::errCantOpen or mrv::errDiskIO, a name not in a
// collection mrv::errItemNotFound.
enum ErrorNumber : int {
    errLayoutFormat = -2147220503,       // not a layout of ours, damaged or cut short
    errToolbarDefinition = -2147220502,  // a band or tool that cannot be defined as asked
};

struct ToolState {
    QString caption;
    QString toolTip;
    QKeySequence shortcut;  // one key combination at most
    QString picture;        // "builtin:NAME", "theme:NAME" or a path relative to the layout file
    QString category;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    int width = 0;  // combo boxes, in pixels; 0 leaves the style's width

    bool operator==(const ToolState&) const = default;
};

struct ToolDef {
    QString name;
    ToolKind kind = ToolKind::Button;
    QString opens;  // the band a menu tool opens
    ToolState state;
};

struct ItemDef {
    QString tool;  // empty for a separator
    int page = 0;
    ToolState state;
};

struct BandDef {
    QString name;
    QString caption;
    BandKind kind = BandKind::ToolBar;
    bool visible = true;
    Dock dock = Dock::Top;
    ButtonStyle style = ButtonStyle::Icon;
    int currentPage = 0;
    QStringList pages;  // toolbars only; empty: one unnamed page
    QList<ItemDef> items;
};

struct Layout {
    QList<ToolDef> tools;
    QList<BandDef> bands;
};

// Far beyond any real layout (ours have 44 tools, 10 bands, 131 items and menus three deep): a file
// past these is something else, and is refused before it costs time or memory.
inline constexpr int kMaxPages = 64;
inline constexpr int kMaxTools = 1000;
inline constexpr int kMaxBands = 100;
inline constexpr int kMaxItems = 4000;  // in all bands together
inline constexpr int kMaxMenuDepth = 10;
inline constexpr int kMaxToolWidth = 10000;
inline constexpr qsizetype kMaxLayoutFileSize = 4 * 1024 * 1024;

// Names are what code uses to find bands and tools: letters, digits, "_", "." and "-".
bool isValidName(const QString& name);

QByteArray writeLayout(const Layout& layout);

// Reads and checks a whole layout; `source` names the file in error messages. Throws
// mrv::Error(errLayoutFormat) describing the first fault and its line.
Layout parseLayout(const QByteArray& text, const QString& source);

// The checks that span the whole layout (names unique and known, the limits above, menus that open
// themselves, pages, the one menu bar). Throws mrv::Error(number) with the first fault.
void checkLayout(const Layout& layout, int number, const QString& source);

}  // namespace toolbar
