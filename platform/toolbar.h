#pragma once

// The toolbar-and-menu control: bands (one menu bar, toolbars with pages, popup and sub-menus)
// of named tools over QMenuBar, QToolBar and QMenu.
//
// A tool is defined once on the bar and may stand in several bands; each appearance is a copy
// with its own QAction. A change through the bar's collection (`bar.tools()["BTN_Open"]`) is
// made to the definition and every copy; a change through a band's collection
// (`bar.band("Standard")->tools()["BTN_Open"]`) to that copy only. A copy's check mark follows
// its state alone: a click reports the tool and leaves the mark to the program.

#include "platform/toolbar_layout.h"

#include <QAction>
#include <QComboBox>
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTabBar>
#include <QToolBar>

#include <array>

class QBoxLayout;
class QKeyEvent;
class QMainWindow;
class QPoint;
class QWidget;

namespace toolbar {

class Bar;
class Band;

// Pictures a layout names "builtin:NAME".
void registerPicture(const QString& name, const QIcon& icon);

class Tool : public QObject {
    Q_OBJECT
public:
    const QString& name() const { return m_name; }
    ToolKind kind() const { return m_kind; }
    // The band of a copy; nullptr for the bar's definition.
    Band* band() const { return m_band; }
    const QString& opens() const { return m_opens; }
    int page() const { return m_page; }
    const ToolState& state() const { return m_state; }

    bool isChecked() const { return m_state.checked; }
    bool isEnabled() const { return m_state.enabled; }
    bool isVisible() const { return m_state.visible; }
    const QString& caption() const { return m_state.caption; }
    const QString& toolTip() const { return m_state.toolTip; }
    const QKeySequence& shortcut() const { return m_state.shortcut; }
    const QString& pictureName() const { return m_state.picture; }
    const QIcon& picture() const { return m_icon; }
    const QString& category() const { return m_state.category; }
    int width() const { return m_state.width; }

    void setChecked(bool checked);
    void setEnabled(bool enabled);
    void setVisible(bool visible);
    void setCaption(const QString& caption);
    void setToolTip(const QString& tip);
    // Only the first key combination counts.
    void setShortcut(const QKeySequence& key);
    // "builtin:NAME", "theme:NAME", or a file path (relative ones to the bar's picture folder).
    void setPicture(const QString& name);
    void setCategory(const QString& category);
    void setWidth(int pixels);

    // The copy's QAction and, for a combo box, its box; nullptr for the definition.
    QAction* action() const { return m_action; }
    QComboBox* comboBox() const { return m_combo; }

private:
    friend class Bar;
    friend class Band;
    Tool(Bar* bar, Band* band, const ToolDef& def, const ToolState& state, int page);

    template <typename F>
    void change(F&& f);
    void apply();

    Bar* m_bar;
    Band* m_band;
    QString m_name;
    ToolKind m_kind;
    QString m_opens;
    int m_page;
    ToolState m_state;
    QIcon m_icon;
    QPointer<QAction> m_action;
    QPointer<QComboBox> m_combo;
};

// A collection of tools by name, in band or definition order.
class Tools {
public:
    // Throws mrv::Error(mrv::errItemNotFound) for a name that is not there.
    Tool* operator[](const QString& name) const;
    Tool* find(const QString& name) const;
    int count() const { return int(m_list.size()); }
    Tool* at(int i) const { return m_list.at(i); }
    QList<Tool*>::const_iterator begin() const { return m_list.cbegin(); }
    QList<Tool*>::const_iterator end() const { return m_list.cend(); }

private:
    friend class Bar;
    friend class Band;
    QList<Tool*> m_list;
};

class Band : public QObject {
    Q_OBJECT
public:
    const QString& name() const { return m_name; }
    BandKind kind() const { return m_kind; }
    bool isMenu() const { return m_kind == BandKind::Popup || m_kind == BandKind::SubMenu; }

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);
    // Menu bars and toolbars only; a menu is visible while it is open.
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);
    // Toolbars only.
    Dock dock() const { return m_dock; }
    void setDock(Dock dock);
    ButtonStyle buttonStyle() const { return m_style; }
    void setButtonStyle(ButtonStyle style);

    // A toolbar with pages shows one page of its tools at a time. Without pages every tool is on
    // page 0.
    const QStringList& pages() const { return m_pages; }
    int addPage(const QString& caption);
    int currentPage() const { return m_currentPage; }
    // Out-of-range pages are brought into range; a change is reported by Bar::pageChanged.
    void setCurrentPage(int page);

    Tools tools() const;
    // Places a copy of a tool the bar defines; throws mrv::Error(errToolbarDefinition).
    Tool* addTool(const QString& toolName, int page = 0);
    void addSeparator(int page = 0);

    QWidget* widget() const;
    QMenuBar* menuBar() const { return m_menuBar; }
    QToolBar* toolBar() const { return m_toolBar; }
    QMenu* menu() const { return m_menu; }

private:
    friend class Bar;
    friend class Tool;
    Band(Bar* bar, const BandDef& def);
    ~Band() override;

    struct Entry {
        Tool* tool = nullptr;
        QPointer<QAction> separator;
        int page = 0;
    };

    bool onCurrentPage(int page) const { return m_pages.isEmpty() || page == m_currentPage; }
    void checkPage(int page) const;
    Tool* placeTool(const ToolDef& def, const ToolState& state, int page);
    void placeSeparator(int page);
    void addPageTab(const QString& caption);
    void showPage();
    void applyVisible();
    void userToggled(bool visible);
    void userMoved();

    Bar* m_bar;
    QString m_name;
    BandKind m_kind;
    QString m_caption;
    bool m_visible;
    Dock m_dock;
    ButtonStyle m_style;
    int m_currentPage;
    QStringList m_pages;
    QList<Entry> m_entries;
    QPointer<QMenuBar> m_menuBar;
    QPointer<QToolBar> m_toolBar;
    QPointer<QMenu> m_menu;
    QPointer<QTabBar> m_pageTabs;
    QPointer<QAction> m_pageTabsAction;
};

class Bar : public QObject {
    Q_OBJECT
public:
    explicit Bar(QObject* parent = nullptr);
    ~Bar() override;

    // Building in code. Each throws mrv::Error(errToolbarDefinition) for a bad or taken name.
    Tool* defineTool(const QString& name, const QString& caption = QString());
    Tool* defineMenuTool(const QString& name, const QString& caption, const QString& opensBand);
    Tool* defineComboTool(const QString& name, const QString& caption, int width = 0);
    Band* addBand(const QString& name, BandKind kind, const QString& caption = QString());
    // Removes every band and tool.
    void clear();

    // The tool definitions; changes through them reach every copy.
    Tools tools() const;
    // Throws mrv::Error(mrv::errItemNotFound) for a name that is not there.
    Band* band(const QString& name) const;
    Band* findBand(const QString& name) const;
    const QList<Band*>& bands() const { return m_bands; }

    // Places the menu bar and the toolbars into the host. A QMainWindow takes them as its own
    // menu bar and toolbars (content, if given, becomes its central widget). Any other widget must
    // have no layout yet: it gets one with the bars around the content. Once per bar.
    void attach(QWidget* host, QWidget* content = nullptr);
    QWidget* host() const { return m_host; }
    // Lays the host out again after bands changed size.
    void recalcLayout();

    // Offers a key to the tools: true when it is the shortcut of a visible, enabled copy in a
    // shown band (or in a menu). A press clicks that copy; a release only reports it.
    bool handleKey(QKeyCombination key, bool press = true);
    bool handleKeyEvent(const QKeyEvent* event);

    // Shows a menu band at the mouse or at a global position and waits for the choice. While
    // ui::testing records, it opens without waiting.
    void popupMenu(const QString& bandName);
    void popupMenu(const QString& bandName, const QPoint& globalPos);

    // The dialog that shows and hides bands ("frmBands"), modal; while ui::testing records it is
    // shown without waiting and closes itself.
    void showBandsDialog(QWidget* parent = nullptr);

    // Layout files in our own format (see toolbar_layout.h). Loading replaces the whole layout;
    // when it fails (mrv::Error) the current layout is kept as it was.
    void loadLayout(const QString& path);
    void saveLayout(const QString& path) const;
    void loadLayoutText(const QByteArray& text, const QString& pictureFolder = QString());
    QByteArray layoutText() const;
    Layout layout() const;
    // Checks the layout first; throws mrv::Error(errToolbarDefinition) and changes nothing
    // when it is not sound.
    void setLayout(const Layout& layout);

    // Where relative picture paths are looked up; loading a file sets it to the file's folder.
    const QString& pictureFolder() const { return m_pictureFolder; }
    void setPictureFolder(const QString& folder) { m_pictureFolder = folder; }

signals:
    void toolClicked(const QString& toolName, const QString& bandName);
    void pageChanged(const QString& bandName, int page);
    // A band was shown, hidden or moved; an empty name: the whole layout was replaced.
    void layoutChanged(const QString& bandName);
    // A menu band is about to open.
    void bandOpened(const QString& bandName);

private:
    friend class Band;
    friend class Tool;

    Tool* define(const ToolDef& def);
    void checkNewName(const QString& name, bool band) const;
    const Tool* definition(const QString& name) const;
    QList<Tool*> copiesOf(const QString& name) const;
    QIcon resolvePicture(const QString& name) const;
    void applyLayout(const Layout& layout);
    void place(Band* band);
    void unplace(Band* band);
    void linkMenus();
    bool opensTransitively(const QString& from, const QString& to) const;

    QList<Tool*> m_tools;
    QList<Band*> m_bands;
    QString m_pictureFolder;
    QPointer<QWidget> m_host;
    QPointer<QMainWindow> m_mainWindow;
    bool m_placing = false;  // our own moves are no user's layout change
    QPointer<QBoxLayout> m_menuArea;
    std::array<QPointer<QBoxLayout>, 4> m_areas;
};

}  // namespace toolbar
