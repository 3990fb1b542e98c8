#pragma once

// The IDE's main window: a small code editor around one project. Its menus and toolbars are the
// command bars of the object model, so add-ins put their controls there; the project window
// takes dropped files; code panes edit the components; add-ins listed in the add-in list are
// connected at start as the list says and disconnected when the window closes.

#include "ide/vbe.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class QDockWidget;
class QTabWidget;

namespace ide {

class CodePane;
class ProjectWindow;

class IdeWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit IdeWindow(QWidget* parent = nullptr);
    ~IdeWindow() override;

    Vbe* vbe() const { return m_vbe; }
    Project* project() const { return m_project; }
    ProjectWindow* projectWindow() const { return m_projectWindow; }
    QDockWidget* projectDock() const { return m_projectDock; }
    QTabWidget* codePanes() const { return m_panes; }
    CodePane* currentPane() const;
    // The component of the code pane shown, else the one selected in the project window.
    Component* currentComponent() const;
    // The menu or toolbar that shows bar.
    QWidget* barWidget(Bar* bar) const { return m_barWidgets.value(bar); }

    // A new, unsaved project in place of the current one; false when the user keeps the current.
    bool newProject();
    // The project of a project file, or of the project file in a folder, in place of the current
    // one; false after telling the user why not, or when the user keeps the current one.
    bool openProject(const QString& path);
    // Lists the add-ins of the add-in list and connects those marked to load at start.
    void startAddIns();

    CodePane* openCodePane(Component* component);
    // Adds the files to the project as the user's "Add File" does, each one announced to add-ins.
    void addFiles(const QStringList& paths);
    // Saves the project and every changed component, asking for files not named yet; false when
    // the user cancelled or saving failed.
    bool saveProject(bool askForFile);
    bool saveComponent(Component* component, bool askForFile);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildCommandBars();
    void renderBar(Bar* bar);
    void setProject(Project* project);
    // Asks whether to save a changed project; false when the user cancels.
    bool confirmDiscard();
    void updateTitle();
    void restorePlacement();
    void savePlacement();
    // Runs a command, telling the user of its failure.
    void run(const std::function<void()>& command);

    void addFileCommand();
    void addNewCommand(int fileType);
    void removeFileCommand();
    void openProjectCommand();
    void renameProjectCommand();
    void customizeCommand();
    void addInManagerCommand();
    void shortcutsCommand();
    void aboutCommand();
    void paneCommand(const std::function<void(CodePane*)>& command);

    Vbe* m_vbe;
    QPointer<Project> m_project;
    ProjectWindow* m_projectWindow;
    QDockWidget* m_projectDock;
    QTabWidget* m_panes;
    QHash<Bar*, QPointer<QWidget>> m_barWidgets;
    QHash<Bar*, QList<QAction*>> m_separators;
};

}  // namespace ide
