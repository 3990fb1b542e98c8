#pragma once

// The IDE's side of the item list's drags of "File" rows: what a document running beside the IDE
// does so that a code file dragged onto the IDE's project window ends up in the project's folder
// or the shared module folder instead of the temporary folder. One per document; the list's drag
// handlers call it at the drag's start, when the file is written, and at the drag's end.
//
// The IDE file watcher lives in the IDE layer above this one: it is created by name
// ("Morvane.cVBIDE") and given VBInstance and DragFile by name.

#include <QPointer>
#include <QString>

#include <functional>

class QObject;

namespace browser {

class MRVDocument;

class IdeDragLink {
public:
    // Whether the IDE's main window is on the screen in this process.
    static bool idePresent();

    // Start of the drag. Beside the IDE: asks for the shared module folder when none is set (then
    // runs showProperties, the preferences dialog) and warns when it does not exist; with both in
    // order and the document holding the IDE (the add-in instance), the watcher is created once and
    // given the IDE. Without the IDE: the document lets go of its VBInstance and the watcher goes.
    // The drag goes on in every case.
    void startFileDrag(MRVDocument* document, const std::function<void()>& showProperties);
    // The file written for the drag when the target asked for it: the watcher is to recognise it
    // when the IDE adds it to a project.
    void fileWritten(const QString& path);
    // End of the drag whose file was dragFilePath. Beside the IDE, a document that is not the add-in
    // warns that a code file dropped on the project window stays only in the temporary folder,
    // unless the user asked not to be told again.
    void completeFileDrag(MRVDocument* document, const QString& dragFilePath);

    bool NoProjectWarning() const { return m_noProjectWarning; }
    void setNoProjectWarning(bool noWarning) { m_noProjectWarning = noWarning; }
    QObject* watcher() const { return m_watcher; }

private:
    bool m_noProjectWarning = false;
    QPointer<QObject> m_watcher;
};

}  // namespace browser
