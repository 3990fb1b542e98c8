#include "ide/project_window.h"

#include "ide/vbe.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace ide {

namespace {

constexpr int kComponentRole = Qt::UserRole + 1;

QString typeName(int fileType) {
    switch (fileType) {
        case FileModule:
            return QStringLiteral("Module");
        case FileClass:
            return QStringLiteral("Class");
        case FileForm:
            return QStringLiteral("Form");
        default:
            return QStringLiteral("File");
    }
}

}  // namespace

ProjectWindow::ProjectWindow(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("projectWindow"));
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("Component"), QStringLiteral("File")});
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setRootIsDecorated(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (auto* component = item->data(0, kComponentRole).value<Component*>())
            emit openRequested(component);
    });
}

void ProjectWindow::setProject(Project* project) {
    if (m_project) disconnect(m_project, nullptr, this, nullptr);
    m_project = project;
    if (project) {
        connect(project, &Project::changed, this, &ProjectWindow::refresh);
        connect(project, &Project::componentAdded, this, &ProjectWindow::refresh);
        connect(project, &Project::componentRemoved, this, &ProjectWindow::refresh);
    }
    refresh();
}

void ProjectWindow::refresh() {
    const Component* selected = selectedComponent();
    clear();
    if (!m_project) return;
    auto* root = new QTreeWidgetItem(
        this, {m_project->Name() + (m_project->isModified() ? QStringLiteral("*") : QString()),
               m_project->FileName().isEmpty() ? QStringLiteral("(not saved)")
                                               : QFileInfo(m_project->FileName()).fileName()});
    root->setToolTip(1, m_project->FileName());
    for (Component* component : m_project->components()) {
        auto* item = new QTreeWidgetItem(
            root, {component->name() + (component->isModified() ? QStringLiteral("*") : QString()),
                   component->fileName().isEmpty() ? QStringLiteral("(not saved)")
                                                   : QFileInfo(component->fileName()).fileName()});
        item->setToolTip(0, typeName(component->fileType()));
        item->setToolTip(1, component->fileName());
        item->setData(0, kComponentRole, QVariant::fromValue(component));
        if (component == selected) setCurrentItem(item);
    }
    root->setExpanded(true);
}

QTreeWidgetItem* ProjectWindow::itemOf(const Component* component) const {
    if (topLevelItemCount() == 0) return nullptr;
    QTreeWidgetItem* root = topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i)
        if (root->child(i)->data(0, kComponentRole).value<Component*>() == component) return root->child(i);
    return nullptr;
}

Component* ProjectWindow::selectedComponent() const {
    return currentItem() ? currentItem()->data(0, kComponentRole).value<Component*>() : nullptr;
}

void ProjectWindow::select(Component* component) {
    if (QTreeWidgetItem* item = itemOf(component)) setCurrentItem(item);
}

QStringList ProjectWindow::droppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) files << url.toLocalFile();
    return files;
}

QStringList ProjectWindow::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

void ProjectWindow::dragEnterEvent(QDragEnterEvent* event) {
    // Only the file list is known here: the files behind it are written when the drop asks.
    if (m_project && event->mimeData()->hasUrls() && (event->possibleActions() & Qt::CopyAction)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ProjectWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (m_project && event->mimeData()->hasUrls() && (event->possibleActions() & Qt::CopyAction)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ProjectWindow::dropEvent(QDropEvent* event) {
    const QStringList files = droppedFiles(event->mimeData());
    if (!m_project || files.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    QTimer::singleShot(0, this, [this, files] { emit filesDropped(files); });
}

}  // namespace ide
