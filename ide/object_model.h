#pragma once

// The IDE's extensibility object model: what an add-in is given at connection and may call. The
// IDE raises mrv::Error for a name it does not know (errInvalidArgument), an index out of range
// (errSubscriptOutOfRange) and an object that is gone or missing (errObjectRequired).
//
// Objects the IDE hands out stay its own, except a tool window: the add-in holds the only strong
// reference, and dropping it destroys the window and the document in it.

#include "base/error.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QVariantList>

#include <memory>
#include <optional>

namespace ide {

enum ErrorNumber : int {
    errInvalidArgument = 5,
    errSubscriptOutOfRange = 9,
    errPathAccess = 75,  // a file the IDE could not read or write
    errObjectRequired = 424,
};

enum ControlType : int { ControlButton = 1 };
enum ConnectMode : int { ConnectAfterStartup = 0, ConnectAtStartup = 1 };
enum RemoveMode : int { RemoveAtShutdown = 0, RemoveByUser = 1 };
// The kind of file added to a project, named in AfterAddFile.
enum FileType : int { FileForm = 1, FileModule = 2, FileClass = 3, FileOther = 4 };

class AddIn;
class CommandBar;
class VBProject;

class CommandBarControl : public QObject {
    Q_OBJECT
public:
    virtual QString Caption() const = 0;
    virtual void setCaption(const QString& caption) = 0;
    // A separator stands before the control.
    virtual bool BeginGroup() const = 0;
    virtual void setBeginGroup(bool beginGroup) = 0;
    // 1-based place on its bar.
    virtual int Index() const = 0;
    virtual CommandBar* Parent() const = 0;
    virtual void setTooltipText(const QString& text) = 0;
    virtual void Delete() = 0;
    // Takes the picture on the clipboard as the control's face.
    virtual void PasteFace() = 0;
    // Takes the picture given, leaving the user's clipboard alone.
    virtual void setFace(const QImage& face) = 0;

protected:
    using QObject::QObject;
};
using CommandBarButton = CommandBarControl;

class CommandBarControls {
public:
    virtual ~CommandBarControls() = default;
    virtual int Count() const = 0;
    virtual CommandBarControl* Item(int index) const = 0;
    // A new control before the control at before (1 to Count + 1), at the end when none is given.
    virtual CommandBarControl* Add(int type, std::optional<int> before = std::nullopt) = 0;
};

class CommandBar : public QObject {
    Q_OBJECT
public:
    virtual QString Name() const = 0;
    virtual bool Visible() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual CommandBarControls* Controls() = 0;

protected:
    using QObject::QObject;
};

// In the IDE's order.
class CommandBarsCollection {
public:
    virtual ~CommandBarsCollection() = default;
    virtual int Count() const = 0;
    virtual CommandBar* Item(int index) const = 0;
    virtual CommandBar* Item(const QString& name) const = 0;
};

// A tool window. Hiding keeps the window and its document alive.
class Window : public QObject {
    Q_OBJECT
public:
    virtual bool Visible() const = 0;
    virtual void setVisible(bool visible) = 0;

protected:
    using QObject::QObject;
};

class WindowsCollection {
public:
    virtual ~WindowsCollection() = default;
    // A dockable window, hidden, hosting a new document of the class progId; document receives it.
    // The IDE keeps the window's placement under positionId.
    virtual std::shared_ptr<Window> CreateToolWindow(AddIn* addIn, const QString& progId,
                                                     const QString& caption, const QString& positionId,
                                                     QObject*& document) = 0;
};

class AddIn : public QObject {
    Q_OBJECT
public:
    virtual QString ProgId() const = 0;
    // The add-in object while it is connected, else null.
    virtual QObject* Object() const = 0;

protected:
    using QObject::QObject;
};

class AddinsCollection {
public:
    virtual ~AddinsCollection() = default;
    virtual int Count() const = 0;
    virtual AddIn* Item(int index) const = 0;
    virtual AddIn* Item(const QString& progId) const = 0;
};

class CommandBarEventSource : public QObject {
    Q_OBJECT
signals:
    void Click(ide::CommandBarControl* control);

protected:
    using QObject::QObject;
};

class FileEventSource : public QObject {
    Q_OBJECT
signals:
    // After the IDE added a file to a project, also one dropped on its project window.
    void AfterAddFile(ide::VBProject* project, int fileType, const QString& fileName);

protected:
    using QObject::QObject;
};

class EventSources {
public:
    virtual ~EventSources() = default;
    virtual CommandBarEventSource* CommandBarEvents(CommandBarControl* control) = 0;
    // project null: the files added to any project.
    virtual FileEventSource* FileEvents(VBProject* project = nullptr) = 0;
};

class VBComponent : public QObject {
    Q_OBJECT
public:
    // index 1: the component's file; "" for one never saved.
    virtual QString FileNames(int index) const = 0;
    // Writes the component to path; from then on the project refers to that file.
    virtual void SaveAs(const QString& path) = 0;

protected:
    using QObject::QObject;
};

class VBComponentsCollection {
public:
    virtual ~VBComponentsCollection() = default;
    virtual int Count() const = 0;
    virtual VBComponent* Item(int index) const = 0;
};

class VBProject : public QObject {
    Q_OBJECT
public:
    virtual QString Name() const = 0;
    // The project file; "" while the project was never saved.
    virtual QString FileName() const = 0;
    virtual VBComponentsCollection* VBComponents() = 0;

protected:
    using QObject::QObject;
};

class VBProjectsCollection {
public:
    virtual ~VBProjectsCollection() = default;
    virtual int Count() const = 0;
    virtual VBProject* Item(int index) const = 0;
    virtual VBProject* Item(const QString& name) const = 0;
};

// The root object an add-in is given.
class VBE : public QObject {
    Q_OBJECT
public:
    virtual CommandBarsCollection* CommandBars() = 0;
    virtual WindowsCollection* Windows() = 0;
    virtual AddinsCollection* Addins() = 0;
    virtual EventSources* Events() = 0;
    virtual VBProjectsCollection* VBProjects() = 0;

protected:
    using QObject::QObject;
};

// What an add-in object implements. The IDE creates it by its ProgID and connects it.
class IDTExtensibility {
public:
    virtual ~IDTExtensibility() = default;
    virtual void OnConnection(VBE* application, int connectMode, AddIn* addInInst, QVariantList& custom) = 0;
    virtual void OnDisconnection(int removeMode, QVariantList& custom) = 0;
    virtual void OnStartupComplete(QVariantList& custom) = 0;
    virtual void OnAddInsUpdate(QVariantList& custom) = 0;
};

}  // namespace ide

Q_DECLARE_INTERFACE(ide::IDTExtensibility, "org.morvane.ide.IDTExtensibility/1")
