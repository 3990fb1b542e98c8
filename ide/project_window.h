#pragma once

// The project window: the project and its components. Files dropped on it are added to the
// project, as the IDE's own "Add File" does, after the drop has ended: what the IDE then does
// (and what add-ins do on AfterAddFile, questions included) runs outside the drag.

#include <QPointer>
#include <QTreeWidget>

namespace ide {

class Component;
class Project;

class ProjectWindow : public QTreeWidget {
    Q_OBJECT
public:
    explicit ProjectWindow(QWidget* parent = nullptr);

    void setProject(Project* project);
    Project* project() const { return m_project; }
    Component* selectedComponent() const;
    void select(Component* component);

    // The local files a drop carries.
    static QStringList droppedFiles(const QMimeData* data);

signals:
    void openRequested(ide::Component* component);
    // Emitted once the drop is over.
    void filesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QStringList mimeTypes() const override;

private:
    void refresh();
    QTreeWidgetItem* itemOf(const Component* component) const;

    QPointer<Project> m_project;
};

}  // namespace ide
