#include "ide/ide_window.h"

#include "ide/addin_manager.h"
#include "ide/code_pane.h"
#include "ide/customize_dialog.h"
#include "ide/project_file.h"
#include "ide/project_window.h"
#include "ide/vbe.h"
#include "platform/ui.h"
#include "resources/resources.h"
#include "store/form_routines.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>

namespace ide {

namespace {

const QString kTitle = store::kIdeWindowTitle;
const QString kPlacement = QStringLiteral("Main Window");
const QString kProjectFilter = QStringLiteral("Project Files (*.mrvp)|*.mrvp|All Files (*.*)|*.*|");
const QString kComponentFilter =
    QStringLiteral("Code Files (*.bas;*.cls;*.frm)|*.bas;*.cls;*.frm|All Files (*.*)|*.*|");

QIcon picture(const char* name) {
    return QIcon(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(name)));
}

QString extensionOf(int fileType) {
    return fileType == FileClass  ? QStringLiteral(".cls")
           : fileType == FileForm ? QStringLiteral(".frm")
                                  : QStringLiteral(".bas");
}

}  // namespace

IdeWindow::IdeWindow(QWidget* parent) : QMainWindow(parent), m_vbe(new Vbe(this, this)) {
    initResources();
    setObjectName(QStringLiteral("IdeWindow"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/morvane.png")));
    setDockOptions(AnimatedDocks | AllowTabbedDocks | AllowNestedDocks);

    m_panes = new QTabWidget(this);
    m_panes->setObjectName(QStringLiteral("codePanes"));
    m_panes->setDocumentMode(true);
    m_panes->setTabsClosable(true);
    m_panes->setMovable(true);
    connect(m_panes, &QTabWidget::tabCloseRequested, this,
            [this](int index) { delete m_panes->widget(index); });
    setCentralWidget(m_panes);

    m_projectWindow = new ProjectWindow(this);
    m_projectDock = new QDockWidget(QStringLiteral("Project"), this);
    m_projectDock->setObjectName(QStringLiteral("ProjectWindow"));
    m_projectDock->setWidget(m_projectWindow);
    addDockWidget(Qt::LeftDockWidgetArea, m_projectDock);
    connect(m_projectWindow, &ProjectWindow::openRequested, this,
            [this](Component* c) { run([&] { openCodePane(c); }); });
    connect(m_projectWindow, &ProjectWindow::filesDropped, this, &IdeWindow::addFiles);

    buildCommandBars();
    // Keys typed in a tool window are its own: its accelerators go before the IDE's.
    connect(m_vbe, &Vbe::toolWindowCreated, this,
            [this](ToolWindow* w) { w->dock()->installEventFilter(this); });
    statusBar()->showMessage(QStringLiteral("Ready"));
    restorePlacement();
}

IdeWindow::~IdeWindow() {
    m_vbe->disconnectAddIns(RemoveAtShutdown);
}

// ---- Command bars -----------------------------------------------------------------------------------

void IdeWindow::buildCommandBars() {
    const auto pane = [this](void (QPlainTextEdit::*slot)()) {
        return [this, slot] { paneCommand([slot](CodePane* p) { (p->*slot)(); }); };
    };
    const auto indent = [this](bool in) {
        return [this, in] { paneCommand([in](CodePane* p) { p->indentLines(in); }); };
    };
    const auto comment = [this](bool on) {
        return [this, on] { paneCommand([on](CodePane* p) { p->commentLines(on); }); };
    };
    const auto edit = [](int action) { return [action] { store::EditCommand(action); }; };
    const auto saveFile = [this](bool as) { return [this, as] { saveComponent(currentComponent(), as); }; };
    const auto showProjectWindow = [this] {
        m_projectDock->show();
        m_projectDock->raise();
    };
    const QKeySequence none;

    Bar* standard = m_vbe->addBar(QStringLiteral("Standard"), Bar::Toolbar);
    standard->addCommand(
        QStringLiteral("New Project"), [this] { newProject(); }, picture("new_library"));
    standard->addCommand(
        QStringLiteral("Open Project"), [this] { openProjectCommand(); }, picture("open"));
    standard->addCommand(
        QStringLiteral("Save Project"), [this] { saveProject(false); }, picture("save"));
    standard->addCommand(
        QStringLiteral("Add File"), [this] { addFileCommand(); }, picture("open_file"), none, true);
    standard->addCommand(
        QStringLiteral("Remove File"), [this] { removeFileCommand(); }, picture("delete"));
    standard->addCommand(QStringLiteral("Cut"), edit(store::editCut), picture("cut"), none, true);
    standard->addCommand(QStringLiteral("Copy"), edit(store::editCopy), picture("copy"));
    standard->addCommand(QStringLiteral("Paste"), edit(store::editPaste), picture("paste"));
    standard->addCommand(QStringLiteral("Undo"), pane(&QPlainTextEdit::undo), QIcon::fromTheme("edit-undo"),
                         none, true);
    standard->addCommand(QStringLiteral("Redo"), pane(&QPlainTextEdit::redo), QIcon::fromTheme("edit-redo"));
    standard->addCommand(QStringLiteral("Project Window"), showProjectWindow, picture("view_list"), none,
                         true);

    Bar* code = m_vbe->addBar(QStringLiteral("Code"), Bar::Toolbar);
    code->addCommand(QStringLiteral("Indent"), indent(true));
    code->addCommand(QStringLiteral("Outdent"), indent(false));
    code->addCommand(QStringLiteral("Comment Block"), comment(true), QIcon(), none, true);
    code->addCommand(QStringLiteral("Uncomment Block"), comment(false));

    Bar* file = m_vbe->addBar(QStringLiteral("File"), Bar::Menu, QStringLiteral("&File"));
    file->addCommand(
        QStringLiteral("&New Project"), [this] { newProject(); }, picture("new_library"), QKeySequence::New);
    file->addCommand(
        QStringLiteral("&Open Project..."), [this] { openProjectCommand(); }, picture("open"),
        QKeySequence::Open);
    file->addCommand(
        QStringLiteral("&Save Project"), [this] { saveProject(false); }, picture("save"),
        QKeySequence(QStringLiteral("Ctrl+Shift+S")), true);
    file->addCommand(QStringLiteral("Save Project &As..."), [this] { saveProject(true); });
    file->addCommand(QStringLiteral("Save &File"), saveFile(false), QIcon(), QKeySequence::Save, true);
    file->addCommand(QStringLiteral("Save File As..."), saveFile(true));
    file->addCommand(
        QStringLiteral("E&xit"), [this] { close(); }, picture("exit"), QKeySequence::Quit, true);

    Bar* editMenu = m_vbe->addBar(QStringLiteral("Edit"), Bar::Menu, QStringLiteral("&Edit"));
    editMenu->addCommand(QStringLiteral("&Undo"), pane(&QPlainTextEdit::undo), QIcon(), QKeySequence::Undo);
    editMenu->addCommand(QStringLiteral("&Redo"), pane(&QPlainTextEdit::redo), QIcon(), QKeySequence::Redo);
    editMenu->addCommand(QStringLiteral("Cu&t"), edit(store::editCut), picture("cut"), QKeySequence::Cut,
                         true);
    editMenu->addCommand(QStringLiteral("&Copy"), edit(store::editCopy), picture("copy"), QKeySequence::Copy);
    editMenu->addCommand(QStringLiteral("&Paste"), edit(store::editPaste), picture("paste"),
                         QKeySequence::Paste);
    editMenu->addCommand(QStringLiteral("Select &All"), pane(&QPlainTextEdit::selectAll), QIcon(),
                         QKeySequence::SelectAll, true);
    editMenu->addCommand(QStringLiteral("&Indent"), indent(true), QIcon(),
                         QKeySequence(QStringLiteral("Ctrl+]")), true);
    editMenu->addCommand(QStringLiteral("&Outdent"), indent(false), QIcon(),
                         QKeySequence(QStringLiteral("Ctrl+[")));

    Bar* view = m_vbe->addBar(QStringLiteral("View"), Bar::Menu, QStringLiteral("&View"));
    view->addCommand(QStringLiteral("&Project Window"), showProjectWindow, picture("view_list"),
                     QKeySequence(QStringLiteral("Ctrl+R")));
    view->addCommand(
        QStringLiteral("&Customize..."), [this] { customizeCommand(); }, QIcon(), none, true);

    Bar* project = m_vbe->addBar(QStringLiteral("Project"), Bar::Menu, QStringLiteral("&Project"));
    project->addCommand(QStringLiteral("Add &Module"), [this] { addNewCommand(FileModule); });
    project->addCommand(QStringLiteral("Add &Class"), [this] { addNewCommand(FileClass); });
    project->addCommand(
        QStringLiteral("Add &File..."), [this] { addFileCommand(); }, picture("open_file"),
        QKeySequence(QStringLiteral("Ctrl+D")));
    project->addCommand(
        QStringLiteral("&Remove File"), [this] { removeFileCommand(); }, picture("delete"));
    project->addCommand(
        QStringLiteral("Project &Name..."), [this] { renameProjectCommand(); }, QIcon(), none, true);

    Bar* addIns = m_vbe->addBar(QStringLiteral("Add-Ins"), Bar::Menu, QStringLiteral("&Add-Ins"));
    addIns->addCommand(QStringLiteral("&Add-In Manager..."), [this] { addInManagerCommand(); });

    Bar* help = m_vbe->addBar(QStringLiteral("Help"), Bar::Menu, QStringLiteral("&Help"));
    help->addCommand(QStringLiteral("&Keyboard Shortcuts"), [this] { shortcutsCommand(); });
    help->addCommand(
        QStringLiteral("&About Morvane IDE"), [this] { aboutCommand(); }, picture("about"));

    for (Bar* bar : m_vbe->bars()) {
        QWidget* widget;
        if (bar->kind() == Bar::Menu) {
            widget = menuBar()->addMenu(bar->title());
        } else {
            auto* toolbar = addToolBar(bar->Name());
            toolbar->setIconSize(QSize(16, 16));
            // Only what the user does to the toolbar changes the bar, not the window being hidden.
            connect(toolbar->toggleViewAction(), &QAction::toggled, bar,
                    [bar](bool on) { bar->setVisible(on); });
            widget = toolbar;
        }
        widget->setObjectName(bar->Name());
        m_barWidgets.insert(bar, widget);
        connect(bar, &Bar::changed, this, [this, bar] { renderBar(bar); });
        renderBar(bar);
    }
}

void IdeWindow::renderBar(Bar* bar) {
    QWidget* widget = m_barWidgets.value(bar);
    if (!widget) return;
    for (QAction* action : widget->actions()) widget->removeAction(action);
    qDeleteAll(m_separators.take(bar));
    bool first = true;
    for (Control* control : bar->controls()) {
        if (control->BeginGroup() && !first) {
            auto* separator = new QAction(widget);
            separator->setSeparator(true);
            widget->addAction(separator);
            m_separators[bar] << separator;
        }
        widget->addAction(control->action());
        first = false;
    }
    if (auto* toolbar = qobject_cast<QToolBar*>(widget); toolbar && toolbar->isHidden() == bar->Visible())
        toolbar->setVisible(bar->Visible());
}

// ---- Projects ------------------------------------------------------------------------------------

CodePane* IdeWindow::currentPane() const {
    return qobject_cast<CodePane*>(m_panes->currentWidget());
}

Component* IdeWindow::currentComponent() const {
    return currentPane() ? currentPane()->component() : m_projectWindow->selectedComponent();
}

void IdeWindow::setProject(Project* project) {
    while (m_panes->count() > 0) delete m_panes->widget(0);
    if (m_project) {
        disconnect(m_project, nullptr, this, nullptr);
        m_vbe->closeProject(m_project);
    }
    m_project = project;
    m_projectWindow->setProject(project);
    connect(project, &Project::changed, this, &IdeWindow::updateTitle);
    connect(project, &Project::componentRemoved, this, [this](Component* c) {
        for (int i = m_panes->count() - 1; i >= 0; --i)
            if (auto* p = qobject_cast<CodePane*>(m_panes->widget(i)); p && p->component() == c) delete p;
    });
    updateTitle();
}

void IdeWindow::updateTitle() {
    QString title = kTitle;
    if (m_project) {
        bool modified = m_project->isModified();
        for (const Component* c : m_project->components()) modified = modified || c->isModified();
        title =
            m_project->Name() + (modified ? QStringLiteral("*") : QString()) + QStringLiteral(" - ") + kTitle;
    }
    setWindowTitle(title);
    for (int i = 0; i < m_panes->count(); ++i)
        if (auto* p = qobject_cast<CodePane*>(m_panes->widget(i)); p && p->component())
            m_panes->setTabText(
                i, p->component()->name() + (p->component()->isModified() ? QStringLiteral("*") : QString()));
}

bool IdeWindow::confirmDiscard() {
    if (!m_project) return true;
    bool modified = m_project->isModified() && !m_project->components().isEmpty();
    for (const Component* c : m_project->components()) modified = modified || c->isModified();
    if (!modified) return true;
    const int answer = ui::MsgBox(
        QStringLiteral("Save the changes to the project \"") + m_project->Name() + QStringLiteral("\"?"),
        ui::vbYesNoCancel | ui::vbQuestion, kTitle);
    if (answer == ui::vbCancel) return false;
    return answer == ui::vbNo || saveProject(false);
}

bool IdeWindow::newProject() {
    if (!confirmDiscard()) return false;
    setProject(m_vbe->newProject(QStringLiteral("Project1")));
    return true;
}

bool IdeWindow::openProject(const QString& path) {
    QString file = path;
    if (QFileInfo(path).isDir()) {
        const QStringList found =
            QDir(path).entryList({QStringLiteral("*.") + kProjectSuffix}, QDir::Files, QDir::Name);
        if (found.isEmpty()) {
            // A folder of modules without a project file becomes a project of them.
            if (!confirmDiscard()) return false;
            setProject(m_vbe->projectOfFolder(path));
            statusBar()->showMessage(QStringLiteral("A new project of the modules in ") +
                                     QDir::toNativeSeparators(path) + QStringLiteral(": saving it writes ") +
                                     QDir::toNativeSeparators(m_project->FileName()));
            return true;
        }
        file = QDir(path).filePath(found.first());
    }
    if (!confirmDiscard()) return false;
    try {
        setProject(m_vbe->openProject(file));
    } catch (const mrv::Error& e) {
        ui::MsgBox(e.description(), ui::vbOKOnly | ui::vbExclamation, kTitle);
        return false;
    }
    statusBar()->showMessage(QStringLiteral("Opened ") + QDir::toNativeSeparators(file));
    return true;
}

CodePane* IdeWindow::openCodePane(Component* component) {
    for (int i = 0; i < m_panes->count(); ++i)
        if (auto* p = qobject_cast<CodePane*>(m_panes->widget(i)); p && p->component() == component) {
            m_panes->setCurrentIndex(i);
            p->setFocus();
            return p;
        }
    auto* pane = new CodePane(component, m_panes);
    connect(component, &Component::changed, this, &IdeWindow::updateTitle);
    m_panes->setCurrentIndex(m_panes->addTab(pane, component->name()));
    m_panes->setTabToolTip(m_panes->indexOf(pane), component->fileName());
    updateTitle();
    pane->setFocus();
    return pane;
}

void IdeWindow::addFiles(const QStringList& paths) {
    if (!m_project) return;
    for (const QString& path : paths) {
        try {
            Component* added = m_project->addFile(path);
            m_projectWindow->select(added);
            statusBar()->showMessage(QStringLiteral("Added ") + QDir::toNativeSeparators(added->fileName()));
        } catch (const mrv::Error& e) {
            ui::MsgBox(e.description(), ui::vbOKOnly | ui::vbExclamation, kTitle);
        }
    }
}

bool IdeWindow::saveComponent(Component* component, bool askForFile) {
    if (!component) return false;
    QString path = component->fileName();
    if (askForFile || path.isEmpty()) {
        const QString folder = !path.isEmpty() ? QFileInfo(path).absolutePath()
                               : m_project     ? m_project->folder()
                                               : QString();
        path = ui::GetSaveFileName(
            this, QStringLiteral("Save File As"), kComponentFilter, 1, folder,
            component->name() + (path.isEmpty() ? extensionOf(component->fileType()) : QString()));
        if (path.isEmpty()) return false;
        if (QFileInfo::exists(path) && QFileInfo(path).absoluteFilePath() != component->fileName() &&
            ui::MsgBox(QStringLiteral("\"") + path + QStringLiteral("\" already exists.\n\nReplace it?"),
                       ui::vbYesNo | ui::vbExclamation, kTitle) != ui::vbYes)
            return false;
    }
    component->SaveAs(path);
    statusBar()->showMessage(QStringLiteral("Saved ") + QDir::toNativeSeparators(component->fileName()));
    return true;
}

bool IdeWindow::saveProject(bool askForFile) {
    if (!m_project) return false;
    try {
        for (Component* c : m_project->components())
            if ((c->fileName().isEmpty() || c->isModified()) && !saveComponent(c, false)) return false;
        QString path = m_project->FileName();
        if (askForFile || path.isEmpty()) {
            path = ui::GetSaveFileName(this, QStringLiteral("Save Project As"), kProjectFilter, 1,
                                       m_project->folder(), m_project->Name() + u'.' + kProjectSuffix);
            if (path.isEmpty()) return false;
            if (QFileInfo(path).suffix().isEmpty()) path += u'.' + kProjectSuffix;
            if (QFileInfo::exists(path) && QFileInfo(path).absoluteFilePath() != m_project->FileName() &&
                ui::MsgBox(QStringLiteral("\"") + path + QStringLiteral("\" already exists.\n\nReplace it?"),
                           ui::vbYesNo | ui::vbExclamation, kTitle) != ui::vbYes)
                return false;
        }
        m_project->save(path);
        statusBar()->showMessage(QStringLiteral("Saved ") + QDir::toNativeSeparators(m_project->FileName()));
        return true;
    } catch (const mrv::Error& e) {
        ui::MsgBox(e.description(), ui::vbOKOnly | ui::vbExclamation, kTitle);
        return false;
    }
}

// ---- Commands --------------------------------------------------------------------------------------

void IdeWindow::run(const std::function<void()>& command) {
    try {
        command();
    } catch (const mrv::Error& e) {
        ui::MsgBox(e.description(), ui::vbOKOnly | ui::vbExclamation, kTitle);
    }
}

void IdeWindow::paneCommand(const std::function<void(CodePane*)>& command) {
    if (CodePane* pane = currentPane()) command(pane);
}

void IdeWindow::openProjectCommand() {
    const QString path = ui::GetOpenFileName(this, QStringLiteral("Open Project"), kProjectFilter, 1,
                                             m_project ? m_project->folder() : QDir::homePath());
    if (!path.isEmpty()) openProject(path);
}

void IdeWindow::addFileCommand() {
    if (!m_project) return;
    const QString path =
        ui::GetOpenFileName(this, QStringLiteral("Add File"), kComponentFilter, 1, m_project->folder());
    if (!path.isEmpty()) addFiles({path});
}

void IdeWindow::addNewCommand(int fileType) {
    if (m_project) run([&] { openCodePane(m_project->addNew(fileType)); });
}

void IdeWindow::removeFileCommand() {
    Component* component = m_projectWindow->selectedComponent();
    if (!component && currentPane()) component = currentPane()->component();
    if (!component) return;
    if (component->isModified()) {
        const int answer =
            ui::MsgBox(QStringLiteral("Save the changes to \"") + component->name() + QStringLiteral("\"?"),
                       ui::vbYesNoCancel | ui::vbQuestion, kTitle);
        if (answer == ui::vbCancel) return;
        if (answer == ui::vbYes) {
            bool saved = false;
            run([&] { saved = saveComponent(component, false); });
            if (!saved) return;
        }
    }
    m_project->remove(component);
}

void IdeWindow::renameProjectCommand() {
    if (!m_project) return;
    const QString name = ui::InputBox(QStringLiteral("Project name:"), kTitle, m_project->Name()).trimmed();
    if (name.isEmpty()) return;
    if (name.contains(u'\n') || name.contains(u'\r')) {
        ui::MsgBox(QStringLiteral("A project name is one line."), ui::vbOKOnly | ui::vbExclamation, kTitle);
        return;
    }
    m_project->setName(name);
    m_projectWindow->setProject(m_project);
}

void IdeWindow::customizeCommand() {
    CustomizeDialog dialog(m_vbe, this);
    ui::ShowFormModal(&dialog, this);
}

void IdeWindow::addInManagerCommand() {
    AddInManager dialog(m_vbe, this);
    ui::ShowFormModal(&dialog, this);
}

void IdeWindow::shortcutsCommand() {
    QStringList lines;
    for (const Bar* bar : m_vbe->bars())
        if (bar->kind() == Bar::Menu)
            for (const Control* c : bar->controls())
                if (!c->action()->shortcut().isEmpty())
                    lines << c->action()->shortcut().toString(QKeySequence::NativeText) +
                                 QStringLiteral("\t") +
                                 QString(c->Caption()).remove(u'&').remove(QStringLiteral("..."));
    ui::MsgBox(lines.join(u'\n'), ui::vbOKOnly | ui::vbInformation, QStringLiteral("Keyboard Shortcuts"));
}

void IdeWindow::aboutCommand() {
    ui::MsgBox(kTitle + QStringLiteral(" ") + QStringLiteral(MRV_VERSION) +
                   QStringLiteral("\n\nA small code editor for projects of modules, classes and forms, "
                                  "with add-ins listed in the add-in list."),
               ui::vbOKOnly | ui::vbInformation, QStringLiteral("About ") + kTitle);
}

// ---- Window ------------------------------------------------------------------------------------------

void IdeWindow::startAddIns() {
    m_vbe->readAddInList();
    m_vbe->connectStartupAddIns([](AddInEntry* entry, const mrv::Error& e) {
        ui::MsgBox(QStringLiteral("The add-in \"") + entry->ProgId() +
                       QStringLiteral("\" could not be loaded.\n\n") + e.description(),
                   ui::vbOKOnly | ui::vbExclamation, kTitle);
    });
    QVariantList custom;
    for (AddInEntry* entry : m_vbe->addIns())
        if (auto* addIn = qobject_cast<IDTExtensibility*>(entry->Object()))
            run([&] { addIn->OnStartupComplete(custom); });
}

void IdeWindow::restorePlacement() {
    resize(1100, 760);
    restoreGeometry(QByteArray::fromBase64(
        store::GetSetting(kSettingsApp, kPlacement, QStringLiteral("Geometry")).toLatin1()));
    restoreState(QByteArray::fromBase64(
        store::GetSetting(kSettingsApp, kPlacement, QStringLiteral("State")).toLatin1()));
}

void IdeWindow::savePlacement() {
    store::SaveSettings(kSettingsApp, kPlacement,
                        {{QStringLiteral("Geometry"), QString::fromLatin1(saveGeometry().toBase64())},
                         {QStringLiteral("State"), QString::fromLatin1(saveState().toBase64())}});
}

void IdeWindow::closeEvent(QCloseEvent* event) {
    if (!confirmDiscard()) {
        event->ignore();
        return;
    }
    savePlacement();
    m_vbe->disconnectAddIns(RemoveAtShutdown);
    event->accept();
}

bool IdeWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride) return QMainWindow::eventFilter(watched, event);
    // Taken here, the key goes on to the focused widget in the tool window as a key press.
    event->accept();
    return true;
}

}  // namespace ide
