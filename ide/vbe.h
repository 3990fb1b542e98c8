#pragma once

// The in-process IDE behind the object model: command bars and their controls, tool windows docked
// in a main window, the add-ins of the add-in list, projects of text components, and the events
// add-ins listen to. The host window (ide_window.h) shows it; tests drive it without one.

#include "ide/object_model.h"

#include <QAction>
#include <QDockWidget>
#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QTextDocument;

namespace ide {

// The IDE's own settings (tool-window placement, its window) in the settings store.
inline const QString kSettingsApp = QStringLiteral("Morvane IDE");

class Bar;
class Component;
class Project;
class Vbe;

// ---- Command bars ----------------------------------------------------------------------------

class Control final : public CommandBarControl {
    Q_OBJECT
public:
    QString Caption() const override { return m_caption; }
    void setCaption(const QString& caption) override;
    bool BeginGroup() const override { return m_beginGroup; }
    void setBeginGroup(bool beginGroup) override;
    int Index() const override;
    CommandBar* Parent() const override;
    void setTooltipText(const QString& text) override;
    void Delete() override;
    void PasteFace() override;
    void setFace(const QImage& face) override;

    // The bar the control stands on; null once deleted.
    Bar* bar() const { return m_bar; }
    QString tooltipText() const { return m_tooltip; }
    QImage face() const { return m_face; }
    // What the menu or toolbar shows and triggers.
    QAction* action() const { return m_action; }
    // The IDE's own work behind the control, run after its Click events.
    void setCommand(std::function<void()> command) { m_command = std::move(command); }
    // Moves the control to before position before (1 to Count + 1, counted without the control) of
    // bar, as the user does when customising. Throws errInvalidArgument.
    void moveTo(Bar* bar, int before);
    CommandBarEventSource* clickEvents();

private:
    friend class Bar;
    explicit Control(Bar* bar);
    void triggered();
    void changed();

    Bar* m_bar;
    QString m_caption, m_tooltip;
    bool m_beginGroup = false;
    QImage m_face;
    QAction* m_action;
    std::function<void()> m_command;
    CommandBarEventSource* m_clickEvents = nullptr;
};

class Bar final : public CommandBar, private CommandBarControls {
    Q_OBJECT
public:
    enum Kind { Toolbar, Menu };

    QString Name() const override { return m_name; }
    bool Visible() const override { return m_visible; }
    void setVisible(bool visible) override;
    CommandBarControls* Controls() override { return this; }

    Kind kind() const { return m_kind; }
    // The menu's title with its accelerator ("&File"); the name for toolbars.
    QString title() const { return m_title; }
    const QList<Control*>& controls() const { return m_controls; }
    // A control of the IDE's own at the end of the bar.
    Control* addCommand(const QString& caption, std::function<void()> command, const QIcon& icon = QIcon(),
                        const QKeySequence& shortcut = QKeySequence(), bool beginGroup = false);

signals:
    // Controls added, removed, moved or changed, or the bar shown or hidden.
    void changed();

private:
    friend class Control;
    friend class Vbe;
    Bar(const QString& name, Kind kind, const QString& title, QObject* parent);
    int Count() const override { return int(m_controls.size()); }
    CommandBarControl* Item(int index) const override;
    CommandBarControl* Add(int type, std::optional<int> before) override;
    void insert(Control* control, int before);

    QString m_name;
    Kind m_kind;
    QString m_title;
    bool m_visible = true;
    QList<Control*> m_controls;
};

// ---- Tool windows --------------------------------------------------------------------------------

class ToolWindow final : public Window {
    Q_OBJECT
public:
    ~ToolWindow() override;
    bool Visible() const override;
    void setVisible(bool visible) override;

    QDockWidget* dock() const { return m_dock; }
    QString positionId() const { return m_positionId; }

private:
    friend class Vbe;
    ToolWindow(QDockWidget* dock, const QString& positionId);
    void savePlacement() const;
    void restorePlacement();
    // The remembered size (or the current one) in the area the window is docked in, unless it is too
    // small to use there.
    void giveSize(bool remembered);

    QPointer<QDockWidget> m_dock;
    QString m_positionId;
    bool m_sized = false;
};

// ---- Add-ins ---------------------------------------------------------------------------------------

class AddInEntry final : public AddIn {
    Q_OBJECT
public:
    QString ProgId() const override { return m_progId; }
    QObject* Object() const override { return m_object; }

    bool isConnected() const { return !m_object.isNull(); }
    // Value "1" in the add-in list.
    bool loadOnStartup() const { return m_loadOnStartup; }
    // Writes the choice into the add-in list.
    void setLoadOnStartup(bool load);
    // Creates the add-in by its ProgID and connects it. Throws mrv::Error; nothing stays behind then.
    void connectAddIn(int connectMode);
    // Disconnects it and destroys it, and any tool window it left.
    void disconnectAddIn(int removeMode);

private:
    friend class Vbe;
    AddInEntry(Vbe* vbe, const QString& progId, bool loadOnStartup);

    Vbe* m_vbe;
    QString m_progId;
    bool m_loadOnStartup;
    QPointer<QObject> m_object;
    std::vector<std::weak_ptr<ToolWindow>> m_windows;
};

// ---- Projects -------------------------------------------------------------------------------------

class Component final : public VBComponent {
    Q_OBJECT
public:
    QString FileNames(int index) const override;
    // Throws errPathAccess when the file cannot be written.
    void SaveAs(const QString& path) override;

    Project* project() const;
    // The file's name without its folder and extension, or the name given to a new component.
    QString name() const;
    int fileType() const { return m_type; }
    QString fileName() const { return m_file; }
    // The text, read from the file on first use. Throws errPathAccess when it cannot be read.
    QTextDocument* document();
    bool isModified() const;
    // Writes to its file. Throws errPathAccess.
    void save();

signals:
    // Its file, name or modified state changed.
    void changed();

private:
    friend class Project;
    friend class Vbe;
    Component(Project* project, const QString& file, int type, const QString& name);
    void load();

    QString m_file;
    int m_type;
    QString m_name;
    QTextDocument* m_document = nullptr;
    bool m_crlf = false;    // written back with the line ends it was read with
    bool m_latin1 = false;  // not UTF-8: written back byte for byte as read
};

class Project final : public VBProject, private VBComponentsCollection {
    Q_OBJECT
public:
    QString Name() const override { return m_name; }
    QString FileName() const override { return m_file; }
    VBComponentsCollection* VBComponents() override { return this; }

    const QList<Component*>& components() const { return m_components; }
    void setName(const QString& name);
    // The folder of the project file ("" while unsaved).
    QString folder() const;
    bool isModified() const { return m_modified; }
    void setModified(bool modified);

    // Adds the file as a component and raises AfterAddFile. Throws errPathAccess for a file that
    // cannot be read, errInvalidArgument for one already in the project.
    Component* addFile(const QString& path);
    // A new, empty component not yet saved to any file.
    Component* addNew(int fileType);
    void remove(Component* component);
    // Writes the project file (to path, or where it was read from). Throws errPathAccess.
    void save(const QString& path = QString());
    FileEventSource* fileEvents() const { return m_fileEvents; }

signals:
    void changed();
    void componentAdded(ide::Component* component);
    void componentRemoved(ide::Component* component);

private:
    friend class Vbe;
    Project(Vbe* vbe, const QString& name, const QString& file);
    int Count() const override { return int(m_components.size()); }
    VBComponent* Item(int index) const override;
    Component* append(Component* component);

    Vbe* m_vbe;
    QString m_name, m_file;
    bool m_modified = false;
    QList<Component*> m_components;
    FileEventSource* m_fileEvents;
};

// The file type of a path, by its extension.
int fileTypeOf(const QString& path);

// ---- The root object -------------------------------------------------------------------------------

class Vbe final : public VBE {
    Q_OBJECT
public:
    // Tool windows dock in mainWindow; without one they are windows of their own.
    explicit Vbe(QMainWindow* mainWindow = nullptr, QObject* parent = nullptr);
    ~Vbe() override;

    CommandBarsCollection* CommandBars() override { return &m_bars; }
    WindowsCollection* Windows() override { return &m_windows; }
    AddinsCollection* Addins() override { return &m_addins; }
    EventSources* Events() override { return &m_events; }
    VBProjectsCollection* VBProjects() override { return &m_projects; }

    QMainWindow* mainWindow() const { return m_mainWindow; }
    // The bars in the IDE's order.
    const QList<Bar*>& bars() const { return m_bars.list; }
    Bar* addBar(const QString& name, Bar::Kind kind, const QString& title = QString());
    Bar* bar(const QString& name) const;

    const QList<AddInEntry*>& addIns() const { return m_addins.list; }
    // Lists the add-ins of the add-in list's "Add-Ins32" section in place of those listed before
    // (connected ones stay connected).
    void readAddInList();
    // Connects every listed add-in marked to load at start; each failure goes to failed.
    void connectStartupAddIns(const std::function<void(AddInEntry*, const mrv::Error&)>& failed);
    void disconnectAddIns(int removeMode);

    const QList<Project*>& projects() const { return m_projects.list; }
    // A new project, unsaved.
    Project* newProject(const QString& name);
    // A new project of the modules, classes and forms in folder (by name), named after the folder; its
    // project file there is written on the first save.
    Project* projectOfFolder(const QString& folder);
    // The project of a project file with its components. Throws mrv::Error.
    Project* openProject(const QString& path);
    void closeProject(Project* project);

signals:
    void projectsChanged();
    void addInsChanged();
    void toolWindowCreated(ide::ToolWindow* window);

private:
    friend class AddInEntry;
    friend class Project;

    struct Bars final : CommandBarsCollection {
        int Count() const override { return int(list.size()); }
        CommandBar* Item(int index) const override;
        CommandBar* Item(const QString& name) const override;
        QList<Bar*> list;
    };
    struct ToolWindows final : WindowsCollection {
        std::shared_ptr<Window> CreateToolWindow(AddIn* addIn, const QString& progId, const QString& caption,
                                                 const QString& positionId, QObject*& document) override;
        Vbe* vbe = nullptr;
    };
    struct AddIns final : AddinsCollection {
        int Count() const override { return int(list.size()); }
        AddIn* Item(int index) const override;
        AddIn* Item(const QString& progId) const override;
        QList<AddInEntry*> list;
    };
    struct Sources final : EventSources {
        CommandBarEventSource* CommandBarEvents(CommandBarControl* control) override;
        FileEventSource* FileEvents(VBProject* project) override;
        FileEventSource* all = nullptr;
    };
    struct Projects final : VBProjectsCollection {
        int Count() const override { return int(list.size()); }
        VBProject* Item(int index) const override;
        VBProject* Item(const QString& name) const override;
        QList<Project*> list;
    };

    void raiseAfterAddFile(Project* project, int fileType, const QString& path);

    QPointer<QMainWindow> m_mainWindow;
    Bars m_bars;
    ToolWindows m_windows;
    AddIns m_addins;
    Sources m_events;
    Projects m_projects;
};

}  // namespace ide
