#pragma once

// The IDE file watcher of the add-in instance: when the IDE adds to a project the very file the
// browser offered in its last drag, it decides where the module lives for good (the project's
// folder or the user's shared module folder), asks where it must, and saves it there.
//
// The browser document sits below the IDE layer, so it creates the watcher by name
// ("Morvane.cVBIDE", dochost::createObject) and sets VBInstance and DragFile by name.

#include "ide/object_model.h"

#include <QPointer>
#include <QString>

namespace ide {

class cVBIDE : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* VBInstance READ VBInstance WRITE setVBInstance)
    Q_PROPERTY(QString DragFile READ DragFile WRITE setDragFile)
public:
    static inline const QString kProgId = QStringLiteral("Morvane.cVBIDE");
    // The help topic of the shared module folder.
    static constexpr int kHelpContext = 48;

    explicit cVBIDE(QObject* parent = nullptr);

    QObject* VBInstance() const { return m_vbe; }
    // Holds the IDE root object and listens to the files added to any of its projects.
    void setVBInstance(QObject* vbe);
    QString DragFile() const { return m_dragFile; }
    void setDragFile(const QString& path) { m_dragFile = path; }

    void VB_FileEvents_AfterAddFile(VBProject* project, int fileType, const QString& fileName);

private:
    // Where the module goes, asking as needed; errors of the save reported.
    void handle(VBProject* project, const QString& fileName);

    QPointer<VBE> m_vbe;
    QPointer<FileEventSource> m_fileEvents;
    QString m_dragFile;
};

}  // namespace ide
