#pragma once

// Hosting of the browser document. A document file (".vbd") is a short text of our own that names
// the class of the document it stands for:
//
//     MorvaneDocument 1
//     Class=Morvane.MRVDocument
//
// The first line is the magic word and the format version. Every following line is blank, a
// comment starting with ';' or '#', or Key=Value; keys compare without regard to case, unknown
// keys are skipped so that later writers can add some, and "Class" is required exactly once. Every
// line ends with a line feed (CR LF is taken too): a file whose last line has none was cut short.
//
// A host widget navigates to such a file: it looks the class up among the classes registered in
// this process, creates the document inside itself and then signals navigate-complete, as an
// embedded browser control would.

#include "base/error.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <functional>

namespace dochost {

// Our own error numbers, in the range components use (vbObjectError + n), and the one the system
// gives for a class nobody registered. A missing file gives mrv::errFileNotFound, one that
// cannot be read (a folder, no permission) mrv::errCantOpen.
enum ErrorNumber : int {
    errDocumentFormat = -2147220403,      // not a document file of ours, garbled or cut short
    errDocumentVersion = -2147220402,     // written by a newer version of the format
    errClassNotRegistered = -2147221164,  // "Class not registered"
};

inline constexpr int kFormatVersion = 1;

// The version of these hosting components, as the registry view reports it.
QString version();

struct DocumentFile {
    int formatVersion = kFormatVersion;
    QString className;
};

// Reads a document file's text; source names it in the error. Throws mrv::Error
// (errDocumentFormat, errDocumentVersion).
DocumentFile parseDocumentFile(const QByteArray& text, const QString& source);
// Reads and parses the file at path. Throws mrv::Error.
DocumentFile readDocumentFile(const QString& path);
// The text of a document file naming className.
QByteArray documentFileText(const QString& className);

// The classes this process can create documents of. A factory creates the document as a child of
// parent and may throw mrv::Error. Registering a name again replaces its factory; names compare
// without regard to case.
using DocumentFactory = std::function<QWidget*(QWidget* parent)>;
void registerDocumentClass(const QString& className, DocumentFactory factory);
void unregisterDocumentClass(const QString& className);
bool isDocumentClassRegistered(const QString& className);
// A new document of the class, as a child of parent. Throws mrv::Error(errClassNotRegistered)
// for an unknown class, and passes on what the factory throws.
QWidget* createDocument(const QString& className, QWidget* parent);

// Classes of objects without a window (an add-in, a helper a document creates by name), kept apart
// from the document classes and otherwise alike: names compare without regard to case, creating
// an unknown one throws mrv::Error(errClassNotRegistered).
using ObjectFactory = std::function<QObject*(QObject* parent)>;
void registerObjectClass(const QString& className, ObjectFactory factory);
void unregisterObjectClass(const QString& className);
bool isObjectClassRegistered(const QString& className);
QObject* createObject(const QString& className, QObject* parent);

// Calls made by name on a hosted object. They raise what a late-bound call raises: error 438 when
// the object has no such member, 13 when the value does not fit the property.
inline constexpr int errNoSuchMember = 438;
inline constexpr int errTypeMismatch = 13;
void setObjectProperty(QObject* object, const char* name, const QVariant& value);
void invokeObjectMethod(QObject* object, const char* name);
QVariant objectProperty(const QObject* object, const char* name);

}  // namespace dochost

// The embedded browser control: shows one document, filling the widget.
class DocumentHost : public QWidget {
    Q_OBJECT
public:
    explicit DocumentHost(QWidget* parent = nullptr);
    ~DocumentHost() override;

    // Reads the document file, creates its document here and shows it in place of the one shown
    // before; NavigateComplete follows once control is back in the event loop. Throws mrv::Error
    // and keeps the current document when the file cannot be used.
    void Navigate(const QString& path);
    // The document shown, or null.
    QObject* Document() const;
    // The file of the document shown, or "".
    QString LocationURL() const { return m_location; }

signals:
    void NavigateComplete(QObject* document);

private:
    QPointer<QWidget> m_document;
    QString m_location;
    quint64 m_navigation = 0;
};
