#include "ide/vbe.h"

#include "ide/project_file.h"
#include "platform/dochost.h"
#include "platform/private_profile.h"
#include "platform/ui.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QClipboard>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPlainTextDocumentLayout>
#include <QStringDecoder>
#include <QTextDocument>
#include <QTimer>

namespace ide {

namespace {

const QString kAddInSection = QStringLiteral("Add-Ins32");
// A component larger than this is no source file a person edits.
constexpr qint64 kMaxComponentSize = 16 * 1024 * 1024;

class ClickSource final : public CommandBarEventSource {
public:
    explicit ClickSource(QObject* parent) : CommandBarEventSource(parent) {}
};

class FileSource final : public FileEventSource {
public:
    explicit FileSource(QObject* parent) : FileEventSource(parent) {}
};

[[noreturn]] void outOfRange(int index) {
    throw mrv::Error(errSubscriptOutOfRange, QStringLiteral("Subscript out of range (%1).").arg(index));
}

[[noreturn]] void unknownName(const QString& what, const QString& name) {
    throw mrv::Error(errInvalidArgument, QStringLiteral("There is no %1 named \"%2\".").arg(what, name));
}

QString placementSection(const QString& positionId) {
    return QStringLiteral("Tool Windows\\") + positionId;
}

}  // namespace

// ---- Controls -------------------------------------------------------------------------------------

Control::Control(Bar* bar) : CommandBarControl(bar), m_bar(bar), m_action(new QAction(this)) {
    connect(m_action, &QAction::triggered, this, &Control::triggered);
}

void Control::changed() {
    m_action->setText(m_caption);
    m_action->setToolTip(m_tooltip.isEmpty() ? QString(m_caption).remove(u'&') : m_tooltip);
    m_action->setIcon(m_face.isNull() ? m_action->icon() : QIcon(QPixmap::fromImage(m_face)));
    if (m_bar) emit m_bar->changed();
}

void Control::setCaption(const QString& caption) {
    m_caption = caption;
    changed();
}

void Control::setBeginGroup(bool beginGroup) {
    m_beginGroup = beginGroup;
    changed();
}

int Control::Index() const {
    if (!m_bar) throw mrv::Error(errObjectRequired, QStringLiteral("The control has been deleted."));
    return int(m_bar->m_controls.indexOf(const_cast<Control*>(this))) + 1;
}

CommandBar* Control::Parent() const {
    if (!m_bar) throw mrv::Error(errObjectRequired, QStringLiteral("The control has been deleted."));
    return m_bar;
}

void Control::setTooltipText(const QString& text) {
    m_tooltip = text;
    changed();
}

void Control::Delete() {
    if (!m_bar) throw mrv::Error(errObjectRequired, QStringLiteral("The control has been deleted."));
    Bar* bar = std::exchange(m_bar, nullptr);
    bar->m_controls.removeOne(this);
    emit bar->changed();
    // It may be deleting itself from its own click.
    deleteLater();
}

void Control::PasteFace() {
    const QImage picture = QGuiApplication::clipboard()->image();
    if (picture.isNull())
        throw mrv::Error(errInvalidArgument,
                         QStringLiteral("The clipboard holds no picture to paste as a face."));
    setFace(picture);
}

void Control::setFace(const QImage& face) {
    m_face = face;
    changed();
}

void Control::moveTo(Bar* bar, int before) {
    if (!m_bar || !bar) throw mrv::Error(errObjectRequired, QStringLiteral("The control has been deleted."));
    Bar* from = m_bar;
    const int at = int(from->m_controls.indexOf(this));
    from->m_controls.removeAt(at);
    if (before < 1 || before > bar->Count() + 1) {
        from->m_controls.insert(at, this);
        throw mrv::Error(errInvalidArgument,
                         QStringLiteral("A control cannot be put at place %1.").arg(before));
    }
    if (from != bar) emit from->changed();
    m_bar = bar;
    setParent(bar);
    bar->insert(this, before);
}

CommandBarEventSource* Control::clickEvents() {
    if (!m_clickEvents) m_clickEvents = new ClickSource(this);
    return m_clickEvents;
}

void Control::triggered() {
    const QPointer<Control> alive(this);
    // Nothing an add-in or a command raises may leave the click unhandled.
    try {
        if (m_clickEvents) emit m_clickEvents->Click(this);
        if (alive && m_command) m_command();
    } catch (const mrv::Error& e) {
        ui::MsgBox(e.description(), ui::vbOKOnly | ui::vbExclamation, store::kIdeWindowTitle);
    }
}

// ---- Bars -------------------------------------------------------------------------------------------

Bar::Bar(const QString& name, Kind kind, const QString& title, QObject* parent)
    : CommandBar(parent), m_name(name), m_kind(kind), m_title(title.isEmpty() ? name : title) {
    setObjectName(name);
}

void Bar::setVisible(bool visible) {
    if (m_visible == visible) return;
    m_visible = visible;
    emit changed();
}

CommandBarControl* Bar::Item(int index) const {
    if (index < 1 || index > Count()) outOfRange(index);
    return m_controls[index - 1];
}

CommandBarControl* Bar::Add(int type, std::optional<int> before) {
    if (type != ControlButton)
        throw mrv::Error(errInvalidArgument,
                         QStringLiteral("Controls of type %1 cannot be added.").arg(type));
    const int place = before.value_or(Count() + 1);
    if (place < 1 || place > Count() + 1)
        throw mrv::Error(errInvalidArgument,
                         QStringLiteral("A control cannot be put at place %1.").arg(place));
    auto* control = new Control(this);
    insert(control, place);
    return control;
}

void Bar::insert(Control* control, int before) {
    m_controls.insert(before - 1, control);
    emit changed();
}

Control* Bar::addCommand(const QString& caption, std::function<void()> command, const QIcon& icon,
                         const QKeySequence& shortcut, bool beginGroup) {
    auto* control = static_cast<Control*>(Add(ControlButton, std::nullopt));
    control->m_action->setIcon(icon);
    control->m_action->setShortcut(shortcut);
    control->setCommand(std::move(command));
    control->m_beginGroup = beginGroup;
    control->setCaption(caption);
    return control;
}

// ---- Tool windows -----------------------------------------------------------------------------------

ToolWindow::ToolWindow(QDockWidget* dock, const QString& positionId)
    : m_dock(dock), m_positionId(positionId) {
    restorePlacement();
    connect(dock, &QDockWidget::dockLocationChanged, this, [this] {
        // Once the move has been laid out.
        QTimer::singleShot(0, this, [this] { giveSize(false); });
        savePlacement();
    });
    connect(dock, &QDockWidget::topLevelChanged, this, [this] { savePlacement(); });
}

ToolWindow::~ToolWindow() {
    savePlacement();
    delete m_dock.data();
}

bool ToolWindow::Visible() const {
    if (!m_dock) throw mrv::Error(errObjectRequired, QStringLiteral("The tool window has been closed."));
    return !m_dock->isHidden();
}

void ToolWindow::setVisible(bool visible) {
    if (!m_dock) throw mrv::Error(errObjectRequired, QStringLiteral("The tool window has been closed."));
    m_dock->setVisible(visible);
    if (!visible) return;
    m_dock->raise();
    // The remembered size can be given only to a dock the main window lays out.
    if (m_sized || m_dock->isFloating() || !qobject_cast<QMainWindow*>(m_dock->parentWidget())) return;
    m_sized = true;
    giveSize(true);
}

void ToolWindow::giveSize(bool remembered) {
    auto* main = m_dock ? qobject_cast<QMainWindow*>(m_dock->parentWidget()) : nullptr;
    if (!main || m_dock->isFloating() || m_dock->isHidden()) return;
    const Qt::DockWidgetArea area = main->dockWidgetArea(m_dock);
    const bool across = area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
    const int extent = across ? main->height() : main->width();
    const int current = across ? m_dock->height() : m_dock->width();
    int size = remembered ? store::GetSetting(kSettingsApp, placementSection(m_positionId),
                                              across ? QStringLiteral("Height") : QStringLiteral("Width"))
                                .toInt()
                          : current;
    // A window squeezed into an area it was never sized for gets a share it can be used in.
    if (size < extent / 4) size = across ? extent * 2 / 5 : extent / 2;
    if (size != current) main->resizeDocks({m_dock}, {size}, across ? Qt::Vertical : Qt::Horizontal);
}

void ToolWindow::savePlacement() const {
    auto* main = m_dock ? qobject_cast<QMainWindow*>(m_dock->parentWidget()) : nullptr;
    // A window never laid out has no placement worth keeping.
    if (!main || !m_dock->testAttribute(Qt::WA_WState_Created)) return;
    store::SaveSettings(kSettingsApp, placementSection(m_positionId),
                        {{QStringLiteral("Area"), QString::number(int(main->dockWidgetArea(m_dock)))},
                         {QStringLiteral("Floating"),
                          m_dock->isFloating() ? QStringLiteral("True") : QStringLiteral("False")},
                         {QStringLiteral("Geometry"), QString::fromLatin1(m_dock->saveGeometry().toBase64())},
                         {QStringLiteral("Width"), QString::number(m_dock->width())},
                         {QStringLiteral("Height"), QString::number(m_dock->height())}});
}

void ToolWindow::restorePlacement() {
    auto* main = qobject_cast<QMainWindow*>(m_dock->parentWidget());
    if (!main) return;
    const QString section = placementSection(m_positionId);
    int area = store::GetSetting(kSettingsApp, section, QStringLiteral("Area"), QStringLiteral("2")).toInt();
    if (area != Qt::LeftDockWidgetArea && area != Qt::RightDockWidgetArea && area != Qt::TopDockWidgetArea &&
        area != Qt::BottomDockWidgetArea)
        area = Qt::RightDockWidgetArea;
    main->addDockWidget(Qt::DockWidgetArea(area), m_dock);
    if (store::GetSetting(kSettingsApp, section, QStringLiteral("Floating")) == QLatin1String("True")) {
        m_dock->setFloating(true);
        m_dock->restoreGeometry(QByteArray::fromBase64(
            store::GetSetting(kSettingsApp, section, QStringLiteral("Geometry")).toLatin1()));
    }
    m_dock->hide();
}

// ---- Add-ins ---------------------------------------------------------------------------------------

AddInEntry::AddInEntry(Vbe* vbe, const QString& progId, bool loadOnStartup)
    : AddIn(vbe), m_vbe(vbe), m_progId(progId), m_loadOnStartup(loadOnStartup) {}

void AddInEntry::setLoadOnStartup(bool load) {
    m_loadOnStartup = load;
    platform::WritePrivateProfileString(
        kAddInSection, m_progId, load ? QStringLiteral("1") : QStringLiteral("0"), store::addInListPath());
}

void AddInEntry::connectAddIn(int connectMode) {
    if (m_object) return;
    QObject* object = dochost::createObject(m_progId, m_vbe);
    auto* addIn = qobject_cast<IDTExtensibility*>(object);
    if (!addIn) {
        delete object;
        throw mrv::Error(errInvalidArgument, QStringLiteral("\"%1\" is not an add-in.").arg(m_progId));
    }
    m_object = object;
    QVariantList custom;
    try {
        addIn->OnConnection(m_vbe, connectMode, this, custom);
    } catch (const mrv::Error&) {
        delete m_object.data();
        throw;
    }
    emit m_vbe->addInsChanged();
}

void AddInEntry::disconnectAddIn(int removeMode) {
    if (!m_object) return;
    QVariantList custom;
    try {
        if (auto* addIn = qobject_cast<IDTExtensibility*>(m_object))
            addIn->OnDisconnection(removeMode, custom);
    } catch (const mrv::Error&) {
        // It goes all the same.
    }
    delete m_object.data();
    // Windows the add-in failed to release go with it.
    for (const std::weak_ptr<ToolWindow>& held : m_windows)
        if (const std::shared_ptr<ToolWindow> window = held.lock()) delete window->dock();
    m_windows.clear();
    emit m_vbe->addInsChanged();
}

// ---- Components ------------------------------------------------------------------------------------

int fileTypeOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("bas")) return FileModule;
    if (suffix == QLatin1String("cls")) return FileClass;
    if (suffix == QLatin1String("frm")) return FileForm;
    return FileOther;
}

Component::Component(Project* project, const QString& file, int type, const QString& name)
    : VBComponent(project), m_file(file), m_type(type), m_name(name) {}

Project* Component::project() const {
    return static_cast<Project*>(parent());
}

QString Component::FileNames(int index) const {
    if (index != 1) outOfRange(index);
    return m_file;
}

QString Component::name() const {
    return m_name.isEmpty() ? QFileInfo(m_file).completeBaseName() : m_name;
}

QTextDocument* Component::document() {
    if (!m_document) load();
    return m_document;
}

bool Component::isModified() const {
    return m_document && m_document->isModified();
}

void Component::load() {
    QString text;
    if (!m_file.isEmpty()) {
        QFile file(m_file);
        if (!file.open(QIODevice::ReadOnly))
            throw mrv::Error(
                errPathAccess,
                QStringLiteral("The file '%1' cannot be read: %2").arg(m_file, file.errorString()));
        if (file.size() > kMaxComponentSize)
            throw mrv::Error(errPathAccess,
                             QStringLiteral("The file '%1' is too large to edit.").arg(m_file));
        const QByteArray bytes = file.readAll();
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8(bytes);
        m_latin1 = utf8.hasError();
        if (m_latin1) text = QString::fromLatin1(bytes);
        m_crlf = text.contains(QLatin1String("\r\n"));
        if (m_crlf) text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    }
    m_document = new QTextDocument(this);
    m_document->setDocumentLayout(new QPlainTextDocumentLayout(m_document));
    m_document->setPlainText(text);
    m_document->setModified(false);
    connect(m_document, &QTextDocument::modificationChanged, this, &Component::changed);
}

void Component::SaveAs(const QString& path) {
    QString text = document()->toPlainText();
    if (m_crlf) text.replace(u'\n', QLatin1String("\r\n"));
    // Characters typed that the file's old encoding cannot hold turn it into UTF-8 rather than be lost.
    bool latin1 = m_latin1;
    if (latin1)
        for (const QChar c : text)
            if (c.unicode() > 0xFF) latin1 = false;
    replaceFile(path, latin1 ? text.toLatin1() : text.toUtf8());
    m_latin1 = latin1;
    const bool moved = QFileInfo(path).absoluteFilePath() != QFileInfo(m_file).absoluteFilePath();
    m_file = QFileInfo(path).absoluteFilePath();
    m_name.clear();
    m_document->setModified(false);
    if (moved) project()->setModified(true);
    emit changed();
}

void Component::save() {
    if (m_file.isEmpty())
        throw mrv::Error(errInvalidArgument, QStringLiteral("\"%1\" has no file yet.").arg(name()));
    SaveAs(m_file);
}

// ---- Projects -------------------------------------------------------------------------------------

Project::Project(Vbe* vbe, const QString& name, const QString& file)
    : VBProject(vbe), m_vbe(vbe), m_name(name), m_file(file), m_fileEvents(new FileSource(this)) {}

VBComponent* Project::Item(int index) const {
    if (index < 1 || index > Count()) outOfRange(index);
    return m_components[index - 1];
}

void Project::setName(const QString& name) {
    if (name == m_name) return;
    m_name = name;
    setModified(true);
}

QString Project::folder() const {
    return m_file.isEmpty() ? QString() : QFileInfo(m_file).absolutePath();
}

void Project::setModified(bool modified) {
    m_modified = modified;
    emit changed();
}

Component* Project::append(Component* component) {
    m_components.append(component);
    connect(component, &Component::changed, this, &Project::changed);
    emit componentAdded(component);
    return component;
}

Component* Project::addFile(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    for (const Component* c : m_components)
        if (c->fileName() == file)
            throw mrv::Error(errInvalidArgument,
                             QStringLiteral("The file '%1' is already part of the project.").arg(file));
    auto* component = new Component(this, file, fileTypeOf(file), QString());
    try {
        component->document();  // read now: a file offered by a drag may go soon after
    } catch (const mrv::Error&) {
        delete component;
        throw;
    }
    append(component);
    setModified(true);
    m_vbe->raiseAfterAddFile(this, component->fileType(), file);
    return component;
}

Component* Project::addNew(int fileType) {
    const QString stem = fileType == FileClass  ? QStringLiteral("Class")
                         : fileType == FileForm ? QStringLiteral("Form")
                                                : QStringLiteral("Module");
    QString name;
    for (int n = 1; name.isEmpty(); ++n) {
        name = stem + QString::number(n);
        for (const Component* c : m_components)
            if (c->name().compare(name, Qt::CaseInsensitive) == 0) name.clear();
    }
    auto* component = append(new Component(this, QString(), fileType, name));
    setModified(true);
    return component;
}

void Project::remove(Component* component) {
    if (!m_components.removeOne(component)) return;
    emit componentRemoved(component);
    component->deleteLater();
    setModified(true);
}

void Project::save(const QString& path) {
    const QString target = QFileInfo(path.isEmpty() ? m_file : path).absoluteFilePath();
    if (path.isEmpty() && m_file.isEmpty())
        throw mrv::Error(errInvalidArgument, QStringLiteral("The project has no file yet."));
    ProjectFile file{m_name, {}};
    const QString folder = QFileInfo(target).absolutePath();
    for (const Component* c : m_components) {
        if (c->fileName().isEmpty())
            throw mrv::Error(
                errInvalidArgument,
                QStringLiteral("\"%1\" must be saved to a file before the project.").arg(c->name()));
        file.files << relativeComponentPath(folder, c->fileName());
    }
    writeProjectFile(target, file);
    m_file = target;
    setModified(false);
}

// ---- The root object -------------------------------------------------------------------------------

Vbe::Vbe(QMainWindow* mainWindow, QObject* parent) : VBE(parent), m_mainWindow(mainWindow) {
    m_windows.vbe = this;
    m_events.all = new FileSource(this);
}

Vbe::~Vbe() {
    disconnectAddIns(RemoveAtShutdown);
}

CommandBar* Vbe::Bars::Item(int index) const {
    if (index < 1 || index > Count()) outOfRange(index);
    return list[index - 1];
}

CommandBar* Vbe::Bars::Item(const QString& name) const {
    for (Bar* bar : list)
        if (bar->Name().compare(name, Qt::CaseInsensitive) == 0) return bar;
    unknownName(QStringLiteral("command bar"), name);
}

AddIn* Vbe::AddIns::Item(int index) const {
    if (index < 1 || index > Count()) outOfRange(index);
    return list[index - 1];
}

AddIn* Vbe::AddIns::Item(const QString& progId) const {
    for (AddInEntry* entry : list)
        if (entry->ProgId().compare(progId, Qt::CaseInsensitive) == 0) return entry;
    unknownName(QStringLiteral("add-in"), progId);
}

VBProject* Vbe::Projects::Item(int index) const {
    if (index < 1 || index > Count()) outOfRange(index);
    return list[index - 1];
}

VBProject* Vbe::Projects::Item(const QString& name) const {
    for (Project* project : list)
        if (project->Name().compare(name, Qt::CaseInsensitive) == 0) return project;
    unknownName(QStringLiteral("project"), name);
}

CommandBarEventSource* Vbe::Sources::CommandBarEvents(CommandBarControl* control) {
    auto* ours = qobject_cast<Control*>(control);
    if (!ours || !ours->bar())
        throw mrv::Error(errObjectRequired, QStringLiteral("No command bar control was given."));
    return ours->clickEvents();
}

FileEventSource* Vbe::Sources::FileEvents(VBProject* project) {
    if (!project) return all;
    auto* ours = qobject_cast<Project*>(project);
    if (!ours) throw mrv::Error(errObjectRequired, QStringLiteral("The project is not one of this IDE's."));
    return ours->fileEvents();
}

std::shared_ptr<Window> Vbe::ToolWindows::CreateToolWindow(AddIn* addIn, const QString& progId,
                                                           const QString& caption, const QString& positionId,
                                                           QObject*& document) {
    auto* entry = qobject_cast<AddInEntry*>(addIn);
    if (!entry || !entry->isConnected())
        throw mrv::Error(errObjectRequired, QStringLiteral("A tool window needs a connected add-in."));
    if (positionId.isEmpty())
        throw mrv::Error(errInvalidArgument, QStringLiteral("A tool window needs a position identifier."));
    auto* dock = new QDockWidget(caption, vbe->m_mainWindow);
    dock->setObjectName(positionId);
    dock->hide();
    QWidget* created = nullptr;
    try {
        created = dochost::createDocument(progId, dock);
    } catch (const mrv::Error&) {
        delete dock;
        throw;
    }
    dock->setWidget(created);
    std::shared_ptr<ToolWindow> window(new ToolWindow(dock, positionId));
    entry->m_windows.push_back(window);
    document = created;
    emit vbe->toolWindowCreated(window.get());
    return window;
}

Bar* Vbe::addBar(const QString& name, Bar::Kind kind, const QString& title) {
    auto* bar = new Bar(name, kind, title, this);
    m_bars.list.append(bar);
    return bar;
}

Bar* Vbe::bar(const QString& name) const {
    for (Bar* bar : m_bars.list)
        if (bar->Name().compare(name, Qt::CaseInsensitive) == 0) return bar;
    return nullptr;
}

void Vbe::readAddInList() {
    QList<AddInEntry*> listed;
    for (const auto& [progId, value] :
         platform::GetPrivateProfileEntries(kAddInSection, store::addInListPath())) {
        if (progId.isEmpty()) continue;
        const bool load = value == QLatin1String("1");
        AddInEntry* known = nullptr;
        for (AddInEntry* e : m_addins.list)
            if (e->ProgId().compare(progId, Qt::CaseInsensitive) == 0) known = e;
        if (known) {
            m_addins.list.removeOne(known);
            known->m_loadOnStartup = load;
        }
        listed.append(known ? known : new AddInEntry(this, progId, load));
    }
    // One taken off the list while connected stays until it is disconnected.
    for (AddInEntry* e : std::as_const(m_addins.list)) {
        if (e->isConnected())
            listed.append(e);
        else
            delete e;
    }
    m_addins.list = listed;
    emit addInsChanged();
}

void Vbe::connectStartupAddIns(const std::function<void(AddInEntry*, const mrv::Error&)>& failed) {
    for (AddInEntry* entry : QList<AddInEntry*>(m_addins.list)) {
        if (!entry->loadOnStartup()) continue;
        try {
            entry->connectAddIn(ConnectAtStartup);
        } catch (const mrv::Error& e) {
            if (failed) failed(entry, e);
        }
    }
}

void Vbe::disconnectAddIns(int removeMode) {
    for (AddInEntry* entry : QList<AddInEntry*>(m_addins.list)) entry->disconnectAddIn(removeMode);
}

Project* Vbe::newProject(const QString& name) {
    auto* project = new Project(this, name, QString());
    m_projects.list.append(project);
    emit projectsChanged();
    return project;
}

Project* Vbe::projectOfFolder(const QString& folder) {
    const QDir dir(folder);
    QString name = dir.dirName();
    if (name.isEmpty() || name == QLatin1String(".") || name.contains(u'\n'))
        name = QStringLiteral("Project1");
    auto* project = new Project(this, name, dir.absoluteFilePath(name + u'.' + kProjectSuffix));
    const QStringList files =
        dir.entryList({QStringLiteral("*.bas"), QStringLiteral("*.cls"), QStringLiteral("*.frm")},
                      QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QString& file : files) {
        const QString component = dir.absoluteFilePath(file);
        project->append(new Component(project, component, fileTypeOf(component), QString()));
    }
    project->setModified(true);  // its project file is not written yet
    m_projects.list.append(project);
    emit projectsChanged();
    return project;
}

Project* Vbe::openProject(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    const ProjectFile read = readProjectFile(file);
    auto* project = new Project(this, read.name, file);
    const QString folder = QFileInfo(file).absolutePath();
    for (const QString& written : read.files) {
        const QString component = absoluteComponentPath(folder, written);
        project->append(new Component(project, component, fileTypeOf(component), QString()));
    }
    m_projects.list.append(project);
    emit projectsChanged();
    return project;
}

void Vbe::closeProject(Project* project) {
    if (!m_projects.list.removeOne(project)) return;
    emit projectsChanged();
    project->deleteLater();
}

void Vbe::raiseAfterAddFile(Project* project, int fileType, const QString& path) {
    const QPointer<Project> alive(project);
    emit project->fileEvents()->AfterAddFile(project, fileType, path);
    if (alive) emit m_events.all->AfterAddFile(project, fileType, path);
}

}  // namespace ide
