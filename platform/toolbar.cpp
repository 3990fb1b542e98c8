#include "platform/toolbar.h"

#include "base/replace_file.h"
#include "platform/bands_dialog.h"
#include "platform/ui.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScopedValueRollback>
#include <QSet>
#include <QSignalBlocker>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace toolbar {

namespace {

QHash<QString, QIcon>& builtinPictures() {
    static QHash<QString, QIcon> pictures;
    return pictures;
}

[[noreturn]] void definitionError(const QString& what) {
    throw mrv::Error(errToolbarDefinition, what);
}

Qt::ToolBarArea areaOf(Dock dock) {
    switch (dock) {
        case Dock::Bottom:
            return Qt::BottomToolBarArea;
        case Dock::Left:
            return Qt::LeftToolBarArea;
        case Dock::Right:
            return Qt::RightToolBarArea;
        case Dock::Top:
            break;
    }
    return Qt::TopToolBarArea;
}

Dock dockOf(Qt::ToolBarArea area) {
    switch (area) {
        case Qt::BottomToolBarArea:
            return Dock::Bottom;
        case Qt::LeftToolBarArea:
            return Dock::Left;
        case Qt::RightToolBarArea:
            return Dock::Right;
        default:
            return Dock::Top;
    }
}

Qt::ToolButtonStyle buttonStyleOf(ButtonStyle style) {
    switch (style) {
        case ButtonStyle::Text:
            return Qt::ToolButtonTextOnly;
        case ButtonStyle::IconAndText:
            return Qt::ToolButtonTextBesideIcon;
        case ButtonStyle::Icon:
            break;
    }
    return Qt::ToolButtonIconOnly;
}

bool isVertical(Dock dock) {
    return dock == Dock::Left || dock == Dock::Right;
}

}  // namespace

void registerPicture(const QString& name, const QIcon& icon) {
    builtinPictures().insert(name, icon);
}

// ---- Tool

Tool::Tool(Bar* bar, Band* band, const ToolDef& def, const ToolState& state, int page)
    : QObject(band ? static_cast<QObject*>(band) : bar),
      m_bar(bar),
      m_band(band),
      m_name(def.name),
      m_kind(def.kind),
      m_opens(def.opens),
      m_page(page),
      m_state(state),
      m_icon(bar->resolvePicture(state.picture)) {
    setObjectName(def.name);
}

template <typename F>
void Tool::change(F&& f) {
    f(*this);
    apply();
    if (m_band) return;
    for (Tool* copy : m_bar->copiesOf(m_name)) {
        f(*copy);
        copy->apply();
    }
}

void Tool::setChecked(bool checked) {
    change([checked](Tool& t) { t.m_state.checked = checked; });
}

void Tool::setEnabled(bool enabled) {
    change([enabled](Tool& t) { t.m_state.enabled = enabled; });
}

void Tool::setVisible(bool visible) {
    change([visible](Tool& t) { t.m_state.visible = visible; });
}

void Tool::setCaption(const QString& caption) {
    change([&caption](Tool& t) { t.m_state.caption = caption; });
}

void Tool::setToolTip(const QString& tip) {
    change([&tip](Tool& t) { t.m_state.toolTip = tip; });
}

void Tool::setShortcut(const QKeySequence& key) {
    // One combination is all the key handling and the layout file know.
    const QKeySequence first = key.isEmpty() ? QKeySequence() : QKeySequence(key[0]);
    change([&first](Tool& t) { t.m_state.shortcut = first; });
}

void Tool::setPicture(const QString& name) {
    const QIcon icon = m_bar->resolvePicture(name);
    change([&](Tool& t) {
        t.m_state.picture = name;
        t.m_icon = icon;
    });
}

void Tool::setCategory(const QString& category) {
    change([&category](Tool& t) { t.m_state.category = category; });
}

void Tool::setWidth(int pixels) {
    pixels = std::clamp(pixels, 0, kMaxToolWidth);
    change([pixels](Tool& t) { t.m_state.width = pixels; });
}

void Tool::apply() {
    if (!m_band || !m_action) return;
    const bool shown = m_state.visible && m_band->onCurrentPage(m_page);
    if (m_combo) {
        m_combo->setToolTip(m_state.toolTip);
        m_combo->setAccessibleName(m_state.caption);
        m_combo->setEnabled(m_state.enabled);
        if (m_state.width > 0) {
            m_combo->setFixedWidth(m_state.width);
        } else {
            m_combo->setMinimumWidth(0);
            m_combo->setMaximumWidth(QWIDGETSIZE_MAX);
        }
        m_action->setVisible(shown);
        return;
    }
    m_action->setText(m_state.caption);
    m_action->setToolTip(m_state.toolTip);
    m_action->setShortcut(m_state.shortcut);
    m_action->setIcon(m_icon);
    // Checkable only while checked: an unchecked menu entry then shows no empty box.
    m_action->setCheckable(m_state.checked);
    m_action->setChecked(m_state.checked);
    m_action->setEnabled(m_state.enabled);
    m_action->setVisible(shown);
}

// ---- Tools

Tool* Tools::find(const QString& name) const {
    for (Tool* tool : m_list)
        if (tool->name() == name) return tool;
    return nullptr;
}

Tool* Tools::operator[](const QString& name) const {
    if (Tool* tool = find(name)) return tool;
    throw mrv::Error(mrv::errItemNotFound, QStringLiteral("There is no tool \"%1\" here.").arg(name));
}

// ---- Band

Band::Band(Bar* bar, const BandDef& def)
    : QObject(bar),
      m_bar(bar),
      m_name(def.name),
      m_kind(def.kind),
      m_caption(def.caption),
      m_visible(def.visible),
      m_dock(def.kind == BandKind::ToolBar ? def.dock : Dock::Top),
      m_style(def.style),
      m_currentPage(0) {
    setObjectName(m_name);
    switch (m_kind) {
        case BandKind::MenuBar:
            m_menuBar = new QMenuBar;
            m_menuBar->setObjectName(m_name);
            m_menuBar->setWindowTitle(m_caption);
            break;
        case BandKind::ToolBar:
            m_toolBar = new QToolBar(m_caption);
            m_toolBar->setObjectName(m_name);
            m_toolBar->toggleViewAction()->setObjectName(m_name + QStringLiteral("_Show"));
            m_toolBar->setToolButtonStyle(buttonStyleOf(m_style));
            // Tool pictures are drawn for 16 pixels; a style's larger size would blur them.
            m_toolBar->setIconSize(QSize(16, 16));
            connect(m_toolBar->toggleViewAction(), &QAction::triggered, this, &Band::userToggled);
            connect(m_toolBar, &QToolBar::topLevelChanged, this, &Band::userMoved);
            connect(m_toolBar, &QToolBar::orientationChanged, this, [this](Qt::Orientation o) {
                if (m_pageTabs) {
                    m_pageTabs->setShape(o == Qt::Vertical ? QTabBar::RoundedWest : QTabBar::RoundedNorth);
                    // A hidden tab bar does not report its new size, and the toolbar would keep the old.
                    m_pageTabs->updateGeometry();
                }
                userMoved();
            });
            for (const QString& page : def.pages) addPageTab(page);
            break;
        case BandKind::Popup:
        case BandKind::SubMenu:
            m_menu = new QMenu(m_caption);
            m_menu->setObjectName(m_name);
            connect(m_menu, &QMenu::aboutToShow, this, [this] { emit m_bar->bandOpened(m_name); });
            break;
    }
}

Band::~Band() {
    delete m_menuBar;
    delete m_toolBar;
    delete m_menu;
}

QWidget* Band::widget() const {
    if (m_menuBar) return m_menuBar;
    if (m_toolBar) return m_toolBar;
    return m_menu;
}

void Band::setCaption(const QString& caption) {
    m_caption = caption;
    if (m_menu) m_menu->setTitle(caption);
    if (QWidget* w = widget()) w->setWindowTitle(caption);
}

void Band::setVisible(bool visible) {
    if (m_visible == visible) return;
    m_visible = visible;
    if (isMenu()) return;
    applyVisible();
    emit m_bar->layoutChanged(m_name);
}

void Band::applyVisible() {
    if (isMenu()) return;
    // A widget without a parent would show as a window of its own.
    if (QWidget* w = widget(); w && w->parentWidget()) w->setVisible(m_visible);
}

void Band::setDock(Dock dock) {
    if (!m_toolBar || m_dock == dock) return;
    m_dock = dock;
    m_bar->place(this);
    emit m_bar->layoutChanged(m_name);
}

void Band::setButtonStyle(ButtonStyle style) {
    m_style = style;
    if (m_toolBar) m_toolBar->setToolButtonStyle(buttonStyleOf(style));
}

int Band::addPage(const QString& caption) {
    if (!m_toolBar) definitionError(QStringLiteral("Only toolbars have pages (\"%1\").").arg(m_name));
    if (m_pages.size() >= kMaxPages)
        definitionError(QStringLiteral("The band \"%1\" has too many pages.").arg(m_name));
    addPageTab(caption);
    showPage();
    return int(m_pages.size()) - 1;
}

void Band::addPageTab(const QString& caption) {
    m_pages.append(caption);
    if (!m_pageTabs) {
        m_pageTabs = new QTabBar;
        m_pageTabs->setObjectName(m_name + QStringLiteral("_Pages"));
        m_pageTabs->setDrawBase(false);
        m_pageTabs->setExpanding(false);
        m_pageTabs->setFocusPolicy(Qt::NoFocus);
        m_pageTabsAction = m_toolBar->insertWidget(m_toolBar->actions().value(0), m_pageTabs);
        m_pageTabsAction->setObjectName(m_name + QStringLiteral("_PagesAction"));
        connect(m_pageTabs, &QTabBar::currentChanged, this, [this](int page) {
            if (page >= 0) setCurrentPage(page);
        });
    }
    const QSignalBlocker block(m_pageTabs);
    m_pageTabs->addTab(caption);
    m_pageTabs->setCurrentIndex(m_currentPage);
    // One page needs no tabs.
    m_pageTabsAction->setVisible(m_pages.size() > 1);
}

void Band::setCurrentPage(int page) {
    page = std::clamp(page, 0, std::max(0, int(m_pages.size()) - 1));
    if (page == m_currentPage) return;
    m_currentPage = page;
    showPage();
    emit m_bar->pageChanged(m_name, page);
}

void Band::showPage() {
    if (m_pageTabs) {
        const QSignalBlocker block(m_pageTabs);
        m_pageTabs->setCurrentIndex(m_currentPage);
    }
    for (const Entry& e : m_entries) {
        if (e.tool) e.tool->apply();
        if (e.separator) e.separator->setVisible(onCurrentPage(e.page));
    }
}

void Band::checkPage(int page) const {
    if (page < 0 || page >= std::max(1, int(m_pages.size())))
        definitionError(QStringLiteral("The band \"%1\" has no page %2.").arg(m_name).arg(page));
}

Tools Band::tools() const {
    Tools tools;
    for (const Entry& e : m_entries)
        if (e.tool) tools.m_list.append(e.tool);
    return tools;
}

Tool* Band::addTool(const QString& toolName, int page) {
    const Tool* def = m_bar->definition(toolName);
    if (!def) definitionError(QStringLiteral("There is no tool \"%1\" to place.").arg(toolName));
    if (tools().find(toolName))
        definitionError(
            QStringLiteral("The tool \"%1\" already stands in the band \"%2\".").arg(toolName, m_name));
    checkPage(page);
    if (def->kind() == ToolKind::ComboBox && !m_toolBar)
        definitionError(QStringLiteral("The combo box \"%1\" can stand only in a toolbar.").arg(toolName));
    if (def->kind() == ToolKind::Menu && m_bar->opensTransitively(def->opens(), m_name))
        definitionError(QStringLiteral("The menu \"%1\" would open itself.").arg(m_name));
    Tool* tool = placeTool(ToolDef{def->name(), def->kind(), def->opens(), {}}, def->state(), page);
    m_bar->linkMenus();
    return tool;
}

Tool* Band::placeTool(const ToolDef& def, const ToolState& state, int page) {
    auto* tool = new Tool(m_bar, this, def, state, page);
    QWidget* w = widget();
    if (def.kind == ToolKind::ComboBox) {
        auto* combo = new QComboBox;
        combo->setObjectName(def.name);
        tool->m_combo = combo;
        tool->m_action = m_toolBar->addWidget(combo);
    } else {
        auto* action = new QAction(w);
        // Keys reach tools through Bar::handleKey; a window-wide shortcut would fire twice.
        action->setShortcutContext(Qt::WidgetShortcut);
        tool->m_action = action;
        w->addAction(action);
        connect(action, &QAction::triggered, tool, [tool] {
            // Qt has just toggled a checked entry; the mark is the program's to change.
            tool->m_action->setChecked(tool->m_state.checked);
            emit tool->m_bar->toolClicked(tool->m_name, tool->m_band->m_name);
        });
        if (m_toolBar)
            if (QWidget* button = m_toolBar->widgetForAction(action)) button->setObjectName(def.name);
    }
    tool->m_action->setObjectName(def.name);
    m_entries.append({tool, nullptr, page});
    tool->apply();
    return tool;
}

void Band::addSeparator(int page) {
    checkPage(page);
    placeSeparator(page);
}

void Band::placeSeparator(int page) {
    auto* separator = new QAction(widget());
    separator->setSeparator(true);
    separator->setObjectName(QStringLiteral("%1_Separator%2").arg(m_name).arg(m_entries.size()));
    widget()->addAction(separator);
    separator->setVisible(onCurrentPage(page));
    m_entries.append({nullptr, separator, page});
}

void Band::userToggled(bool visible) {
    m_visible = visible;
    emit m_bar->layoutChanged(m_name);
}

void Band::userMoved() {
    if (m_bar->m_placing) return;
    if (m_bar->m_mainWindow && m_toolBar && m_toolBar->parentWidget() == m_bar->m_mainWindow)
        m_dock = dockOf(m_bar->m_mainWindow->toolBarArea(m_toolBar));
    emit m_bar->layoutChanged(m_name);
}

// ---- Bar

Bar::Bar(QObject* parent) : QObject(parent) {}

Bar::~Bar() {
    for (Band* band : std::as_const(m_bands)) delete band;
}

void Bar::checkNewName(const QString& name, bool band) const {
    if (!isValidName(name)) definitionError(QStringLiteral("\"%1\" is not a valid name.").arg(name));
    if (band ? findBand(name) != nullptr : definition(name) != nullptr)
        definitionError(QStringLiteral("The name \"%1\" is taken.").arg(name));
}

Tool* Bar::define(const ToolDef& def) {
    auto* tool = new Tool(this, nullptr, def, def.state, 0);
    m_tools.append(tool);
    return tool;
}

Tool* Bar::defineTool(const QString& name, const QString& caption) {
    checkNewName(name, false);
    ToolDef def{name, ToolKind::Button, {}, {}};
    def.state.caption = caption;
    return define(def);
}

Tool* Bar::defineMenuTool(const QString& name, const QString& caption, const QString& opensBand) {
    checkNewName(name, false);
    if (!isValidName(opensBand))
        definitionError(QStringLiteral("\"%1\" is not a valid band name.").arg(opensBand));
    ToolDef def{name, ToolKind::Menu, opensBand, {}};
    def.state.caption = caption;
    return define(def);
}

Tool* Bar::defineComboTool(const QString& name, const QString& caption, int width) {
    checkNewName(name, false);
    ToolDef def{name, ToolKind::ComboBox, {}, {}};
    def.state.caption = caption;
    def.state.width = std::clamp(width, 0, kMaxToolWidth);
    return define(def);
}

Band* Bar::addBand(const QString& name, BandKind kind, const QString& caption) {
    checkNewName(name, true);
    if (kind == BandKind::MenuBar)
        for (const Band* b : m_bands)
            if (b->kind() == BandKind::MenuBar)
                definitionError(QStringLiteral("There is a menu bar already."));
    BandDef def;
    def.name = name;
    def.kind = kind;
    def.caption = caption;
    auto* band = new Band(this, def);
    m_bands.append(band);
    place(band);
    linkMenus();
    return band;
}

void Bar::clear() {
    for (Band* band : std::as_const(m_bands)) {
        unplace(band);
        // Later: a click on one of its tools may be what led here.
        band->deleteLater();
    }
    for (Tool* tool : std::as_const(m_tools)) tool->deleteLater();
    m_bands.clear();
    m_tools.clear();
}

Tools Bar::tools() const {
    Tools tools;
    tools.m_list = m_tools;
    return tools;
}

Band* Bar::findBand(const QString& name) const {
    for (Band* band : m_bands)
        if (band->name() == name) return band;
    return nullptr;
}

Band* Bar::band(const QString& name) const {
    if (Band* b = findBand(name)) return b;
    throw mrv::Error(mrv::errItemNotFound, QStringLiteral("There is no band \"%1\".").arg(name));
}

const Tool* Bar::definition(const QString& name) const {
    for (const Tool* tool : m_tools)
        if (tool->name() == name) return tool;
    return nullptr;
}

QList<Tool*> Bar::copiesOf(const QString& name) const {
    QList<Tool*> copies;
    for (const Band* band : m_bands)
        for (const Band::Entry& e : band->m_entries)
            if (e.tool && e.tool->name() == name) copies.append(e.tool);
    return copies;
}

QIcon Bar::resolvePicture(const QString& name) const {
    if (name.isEmpty()) return {};
    if (name.startsWith(QLatin1String("builtin:"))) return builtinPictures().value(name.mid(8));
    if (name.startsWith(QLatin1String("theme:"))) return QIcon::fromTheme(name.mid(6));
    // A resource path names the same picture wherever the layout file lies.
    QString path;
    if (name.startsWith(u':'))
        path = name;
    else if (name.startsWith(QLatin1String("qrc:/")))
        path = name.mid(3);
    else
        path = QDir(m_pictureFolder).filePath(name);
    // The same pictures stand in every band and every document of the process: decode each once.
    static QHash<QString, QIcon> decoded;
    if (const auto it = decoded.constFind(path); it != decoded.constEnd()) return *it;
    if (!QFileInfo(path).isFile()) return {};
    QIcon icon(path);
    // A twin drawn at twice the size ("open@2x.png") serves large buttons as well as HiDPI screens,
    // so it goes in as a plain larger picture rather than as one for double-density screens only.
    const QFileInfo file(path);
    if (!file.completeBaseName().endsWith(QLatin1String("@2x"))) {
        QImage twin(file.path() + u'/' + file.completeBaseName() + QLatin1String("@2x.") + file.suffix());
        if (!twin.isNull()) {
            twin.setDevicePixelRatio(1);
            icon.addPixmap(QPixmap::fromImage(twin));
        }
    }
    decoded.insert(path, icon);
    return icon;
}

bool Bar::opensTransitively(const QString& from, const QString& to) const {
    QSet<QString> seen;
    QStringList todo{from};
    while (!todo.isEmpty()) {
        const QString name = todo.takeLast();
        if (name == to) return true;
        if (seen.contains(name)) continue;
        seen.insert(name);
        if (const Band* band = findBand(name))
            for (const Band::Entry& e : band->m_entries)
                if (e.tool && e.tool->kind() == ToolKind::Menu) todo.append(e.tool->opens());
    }
    return false;
}

void Bar::linkMenus() {
    for (const Band* band : std::as_const(m_bands)) {
        for (const Band::Entry& e : band->m_entries) {
            if (!e.tool || e.tool->kind() != ToolKind::Menu || !e.tool->m_action) continue;
            const Band* target = findBand(e.tool->opens());
            QMenu* menu = target ? target->menu() : nullptr;
            if (e.tool->m_action->menu() != menu) e.tool->m_action->setMenu(menu);
            if (band->m_toolBar)
                if (auto* button =
                        qobject_cast<QToolButton*>(band->m_toolBar->widgetForAction(e.tool->m_action)))
                    button->setPopupMode(QToolButton::InstantPopup);
        }
    }
}

void Bar::attach(QWidget* host, QWidget* content) {
    if (!host) definitionError(QStringLiteral("The toolbar needs a host window."));
    if (m_host) definitionError(QStringLiteral("The toolbar is attached already."));
    if (auto* window = qobject_cast<QMainWindow*>(host)) {
        m_mainWindow = window;
        if (content) window->setCentralWidget(content);
    } else {
        if (host->layout()) definitionError(QStringLiteral("The toolbar's host has a layout already."));
        auto* outer = new QVBoxLayout(host);
        outer->setContentsMargins(0, 0, 0, 0);
        outer->setSpacing(0);
        auto row = [](QBoxLayout::Direction direction) {
            auto* layout = new QBoxLayout(direction);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(0);
            layout->addStretch();
            return layout;
        };
        m_menuArea = new QVBoxLayout;
        outer->addLayout(m_menuArea);
        m_areas[int(Dock::Top)] = row(QBoxLayout::LeftToRight);
        outer->addLayout(m_areas[int(Dock::Top)]);
        auto* middle = new QHBoxLayout;
        middle->setSpacing(0);
        outer->addLayout(middle, 1);
        m_areas[int(Dock::Left)] = row(QBoxLayout::TopToBottom);
        middle->addLayout(m_areas[int(Dock::Left)]);
        if (content)
            middle->addWidget(content, 1);
        else
            middle->addStretch(1);
        m_areas[int(Dock::Right)] = row(QBoxLayout::TopToBottom);
        middle->addLayout(m_areas[int(Dock::Right)]);
        m_areas[int(Dock::Bottom)] = row(QBoxLayout::LeftToRight);
        outer->addLayout(m_areas[int(Dock::Bottom)]);
    }
    m_host = host;
    for (Band* band : std::as_const(m_bands)) place(band);
}

void Bar::place(Band* band) {
    if (!m_host) return;
    const QScopedValueRollback placing(m_placing, true);
    if (band->m_menu) {
        // Parented for the host's style and lifetime; still a popup window.
        band->m_menu->setParent(m_host, band->m_menu->windowFlags());
        return;
    }
    if (band->m_menuBar) {
        if (m_mainWindow)
            m_mainWindow->setMenuBar(band->m_menuBar);
        else
            m_menuArea->addWidget(band->m_menuBar);
    } else if (QToolBar* toolBar = band->m_toolBar) {
        const Dock dock = band->m_dock;
        if (m_mainWindow) {
            toolBar->setMovable(true);
            m_mainWindow->addToolBar(areaOf(dock), toolBar);
        } else {
            toolBar->setMovable(false);
            toolBar->setOrientation(isVertical(dock) ? Qt::Vertical : Qt::Horizontal);
            for (QBoxLayout* area : m_areas) area->removeWidget(toolBar);
            QBoxLayout* area = m_areas[int(dock)];
            area->insertWidget(area->count() - 1, toolBar);  // before the closing stretch
        }
    }
    band->applyVisible();
}

void Bar::unplace(Band* band) {
    if (band->m_menu) {
        band->m_menu->hide();
        return;
    }
    QWidget* w = band->widget();
    if (!w || !w->parentWidget()) return;
    if (m_mainWindow && band->m_toolBar) m_mainWindow->removeToolBar(band->m_toolBar);
    w->hide();
    w->setParent(nullptr);
}

void Bar::recalcLayout() {
    for (Band* band : std::as_const(m_bands)) band->applyVisible();
    if (!m_host) return;
    if (QLayout* layout = m_host->layout()) layout->activate();
    m_host->updateGeometry();
}

bool Bar::handleKey(QKeyCombination key, bool press) {
    switch (key.key()) {
        case Qt::Key_Control:
        case Qt::Key_Shift:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_unknown:
            return false;
        default:
            break;
    }
    const QKeyCombination chord(key.keyboardModifiers() & ~Qt::KeypadModifier, key.key());
    for (const Band* band : std::as_const(m_bands)) {
        // Menus count while closed: their entries' keys work without opening them.
        if (!band->isMenu() && !band->isVisible()) continue;
        for (const Band::Entry& e : band->m_entries) {
            const Tool* tool = e.tool;
            if (!tool || tool->kind() != ToolKind::Button || !tool->isEnabled() || !tool->isVisible())
                continue;
            if (tool->shortcut().isEmpty() || tool->shortcut()[0] != chord) continue;
            if (press) emit toolClicked(tool->name(), band->name());
            return true;
        }
    }
    return false;
}

bool Bar::handleKeyEvent(const QKeyEvent* event) {
    if (!event) return false;
    return handleKey(event->keyCombination(), event->type() == QEvent::KeyPress);
}

void Bar::popupMenu(const QString& bandName) {
    popupMenu(bandName, QCursor::pos());
}

void Bar::popupMenu(const QString& bandName, const QPoint& globalPos) {
    QMenu* menu = band(bandName)->menu();
    if (!menu) definitionError(QStringLiteral("The band \"%1\" is no menu.").arg(bandName));
    if (ui::testing::isRecording())
        menu->popup(globalPos);
    else
        menu->exec(globalPos);
}

void Bar::showBandsDialog(QWidget* parent) {
    auto* dialog = new BandsDialog(this, parent);
    if (ui::testing::isRecording()) {
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
        return;
    }
    dialog->exec();
    delete dialog;
}

Layout Bar::layout() const {
    Layout layout;
    for (const Tool* tool : m_tools)
        layout.tools.append(ToolDef{tool->name(), tool->kind(), tool->opens(), tool->state()});
    for (const Band* band : m_bands) {
        BandDef def;
        def.name = band->name();
        def.caption = band->caption();
        def.kind = band->kind();
        def.visible = band->isVisible();
        def.dock = band->dock();
        def.style = band->buttonStyle();
        def.currentPage = band->currentPage();
        def.pages = band->pages();
        for (const Band::Entry& e : band->m_entries)
            def.items.append(e.tool ? ItemDef{e.tool->name(), e.tool->page(), e.tool->state()}
                                    : ItemDef{QString(), e.page, ToolState()});
        layout.bands.append(def);
    }
    return layout;
}

QByteArray Bar::layoutText() const {
    return writeLayout(layout());
}

void Bar::setLayout(const Layout& layout) {
    checkLayout(layout, errToolbarDefinition, QStringLiteral("(given in code)"));
    applyLayout(layout);
}

namespace {

// Every document of the process loads the same few layout texts: each is parsed once while it stays
// the same (only a text that parsed is kept, so a faulty one is reported every time).
Layout parsedLayout(const QByteArray& text, const QString& source) {
    static QHash<QByteArray, Layout> parsed;
    if (const auto it = parsed.constFind(text); it != parsed.constEnd()) return *it;
    Layout layout = parseLayout(text, source);
    if (parsed.size() >= 8) parsed.clear();
    parsed.insert(text, layout);
    return layout;
}

}  // namespace

void Bar::loadLayoutText(const QByteArray& text, const QString& pictureFolder) {
    const Layout layout = parsedLayout(text, QStringLiteral("(text)"));
    m_pictureFolder = pictureFolder;
    applyLayout(layout);
}

void Bar::loadLayout(const QString& path) {
    QFile file(path);
    if (!file.exists())
        throw mrv::Error(mrv::errFileNotFound,
                         QStringLiteral("The toolbar layout \"%1\" was not found.").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw mrv::Error(
            mrv::errCantOpen,
            QStringLiteral("The toolbar layout \"%1\" cannot be opened: %2").arg(path, file.errorString()));
    // One byte past the limit is enough for the parser to refuse a file that is too large.
    const QByteArray bytes = file.read(kMaxLayoutFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw mrv::Error(
            mrv::errDiskIO,
            QStringLiteral("The toolbar layout \"%1\" cannot be read: %2").arg(path, file.errorString()));
    const Layout layout = parsedLayout(bytes, path);
    m_pictureFolder = QFileInfo(path).absolutePath();
    applyLayout(layout);
}

void Bar::saveLayout(const QString& path) const {
    try {
        mrv::replaceFileContent(path, layoutText());
    } catch (const mrv::Error& e) {
        throw mrv::Error(
            e.number(),
            QStringLiteral("The toolbar layout \"%1\" cannot be written: %2").arg(path, e.description()));
    }
}

void Bar::applyLayout(const Layout& layout) {
    clear();
    for (const ToolDef& def : layout.tools) define(def);
    for (const BandDef& def : layout.bands) {
        auto* band = new Band(this, def);
        m_bands.append(band);
        for (const ItemDef& item : def.items) {
            if (item.tool.isEmpty()) {
                band->placeSeparator(item.page);
                continue;
            }
            const Tool* master = definition(item.tool);
            band->placeTool(ToolDef{master->name(), master->kind(), master->opens(), {}}, item.state,
                            item.page);
        }
        band->m_currentPage = def.currentPage;
        band->showPage();
        place(band);
    }
    linkMenus();
    emit layoutChanged(QString());
}

}  // namespace toolbar
