#include "platform/dochost.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QVBoxLayout>

#include <utility>

namespace dochost {

namespace {

const QByteArray kMagic = QByteArrayLiteral("MorvaneDocument");
// A document file is a few lines; anything far larger is not one of ours.
constexpr qint64 kMaxFileSize = 64 * 1024;

[[noreturn]] void fail(int number, const QString& source, int line, const QString& what) {
    const QString where = line > 0 ? QStringLiteral(" (line %1)").arg(line) : QString();
    throw mrv::Error(
        number, QStringLiteral("\"%1\" is not a document that can be opened%2: %3").arg(source, where, what));
}

QHash<QString, DocumentFactory>& classes() {
    static QHash<QString, DocumentFactory> registered;
    return registered;
}

QHash<QString, ObjectFactory>& objectClasses() {
    static QHash<QString, ObjectFactory> registered;
    return registered;
}

QString classKey(const QString& className) {
    return className.toCaseFolded();
}

bool isClassName(const QString& name) {
    static const QRegularExpression pattern(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z_][A-Za-z0-9_]*)*$"));
    return pattern.match(name).hasMatch();
}

}  // namespace

QString version() {
    return QStringLiteral(MRV_VERSION);
}

DocumentFile parseDocumentFile(const QByteArray& text, const QString& source) {
    QByteArray bytes = text;
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    if (bytes.isEmpty()) fail(errDocumentFormat, source, 0, QStringLiteral("the file is empty."));
    if (bytes.contains('\0'))
        fail(errDocumentFormat, source, 0, QStringLiteral("the file holds binary data."));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString all = decoder(bytes);
    if (decoder.hasError()) fail(errDocumentFormat, source, 0, QStringLiteral("the file is not UTF-8 text."));
    const bool complete = all.endsWith(u'\n');
    QStringList lines = all.split(u'\n');
    if (complete) lines.removeLast();  // what follows the final line feed
    for (QString& line : lines)
        if (line.endsWith(u'\r')) line.chop(1);

    const QString& first = lines.first();
    const QString magic = QString::fromLatin1(kMagic);
    static const QRegularExpression header(QStringLiteral("^MorvaneDocument ([0-9]{1,6})$"));
    const QRegularExpressionMatch m = header.match(first);
    if (!m.hasMatch()) {
        if (!complete && lines.size() == 1 && (magic + u' ').startsWith(first))
            fail(errDocumentFormat, source, 1, QStringLiteral("the file is cut short."));
        if (first.startsWith(magic))
            fail(errDocumentFormat, source, 1, QStringLiteral("the first line is damaged."));
        fail(errDocumentFormat, source, 1, QStringLiteral("it is not a Morvane document file."));
    }
    if (!complete) fail(errDocumentFormat, source, 0, QStringLiteral("the file is cut short."));
    DocumentFile file;
    file.formatVersion = m.captured(1).toInt();
    if (file.formatVersion < 1)
        fail(errDocumentFormat, source, 1, QStringLiteral("the format version is 0."));
    if (file.formatVersion > kFormatVersion)
        fail(errDocumentVersion, source, 1,
             QStringLiteral("it was written for format version %1; this program reads up to version %2.")
                 .arg(file.formatVersion)
                 .arg(kFormatVersion));

    bool haveClass = false;
    for (int i = 1; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            fail(errDocumentFormat, source, i + 1, QStringLiteral("a line is not of the form Key=Value."));
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key.compare(QStringLiteral("Class"), Qt::CaseInsensitive) != 0) continue;
        if (haveClass)
            fail(errDocumentFormat, source, i + 1, QStringLiteral("the document class is named twice."));
        if (!isClassName(value))
            fail(errDocumentFormat, source, i + 1, QStringLiteral("\"%1\" is no class name.").arg(value));
        file.className = value;
        haveClass = true;
    }
    if (!haveClass) fail(errDocumentFormat, source, 0, QStringLiteral("the file names no document class."));
    return file;
}

DocumentFile readDocumentFile(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw mrv::Error(mrv::errFileNotFound, QStringLiteral("Could not find file '%1'.").arg(path));
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        throw mrv::Error(mrv::errCantOpen,
                         QStringLiteral("The document file '%1' cannot be opened.").arg(path));
    if (file.size() > kMaxFileSize)
        fail(errDocumentFormat, path, 0, QStringLiteral("the file is far too large for a document file."));
    const QByteArray text = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw mrv::Error(mrv::errDiskIO, QStringLiteral("The document file '%1' cannot be read.").arg(path));
    return parseDocumentFile(text, path);
}

QByteArray documentFileText(const QString& className) {
    return kMagic + ' ' + QByteArray::number(kFormatVersion) + "\nClass=" + className.toUtf8() + '\n';
}

void registerDocumentClass(const QString& className, DocumentFactory factory) {
    classes().insert(classKey(className), std::move(factory));
}

void unregisterDocumentClass(const QString& className) {
    classes().remove(classKey(className));
}

bool isDocumentClassRegistered(const QString& className) {
    return classes().contains(classKey(className));
}

QWidget* createDocument(const QString& className, QWidget* parent) {
    const auto it = classes().constFind(classKey(className));
    if (it == classes().constEnd() || !*it)
        throw mrv::Error(errClassNotRegistered,
                         QStringLiteral("Class not registered: no document class \"%1\" is known to this "
                                        "program.")
                             .arg(className));
    QWidget* document = (*it)(parent);
    if (!document)
        throw mrv::Error(errClassNotRegistered,
                         QStringLiteral("The document class \"%1\" created no document.").arg(className));
    return document;
}

void registerObjectClass(const QString& className, ObjectFactory factory) {
    objectClasses().insert(classKey(className), std::move(factory));
}

void unregisterObjectClass(const QString& className) {
    objectClasses().remove(classKey(className));
}

bool isObjectClassRegistered(const QString& className) {
    return objectClasses().contains(classKey(className));
}

QObject* createObject(const QString& className, QObject* parent) {
    const auto it = objectClasses().constFind(classKey(className));
    QObject* object = it == objectClasses().constEnd() || !*it ? nullptr : (*it)(parent);
    if (!object)
        throw mrv::Error(
            errClassNotRegistered,
            QStringLiteral("Class not registered: no class \"%1\" is known to this program.").arg(className));
    return object;
}

void setObjectProperty(QObject* object, const char* name, const QVariant& value) {
    if (!object || object->metaObject()->indexOfProperty(name) < 0)
        throw mrv::Error(errNoSuchMember, QStringLiteral("Object doesn't support this property or method"));
    if (!object->setProperty(name, value)) throw mrv::Error(errTypeMismatch, QStringLiteral("Type mismatch"));
}

void invokeObjectMethod(QObject* object, const char* name) {
    const QByteArray signature = QByteArray(name) + "()";
    if (!object || object->metaObject()->indexOfMethod(signature.constData()) < 0)
        throw mrv::Error(errNoSuchMember, QStringLiteral("Object doesn't support this property or method"));
    QMetaObject::invokeMethod(object, name, Qt::DirectConnection);
}

QVariant objectProperty(const QObject* object, const char* name) {
    if (!object || object->metaObject()->indexOfProperty(name) < 0)
        throw mrv::Error(errNoSuchMember, QStringLiteral("Object doesn't support this property or method"));
    return object->property(name);
}

}  // namespace dochost

DocumentHost::DocumentHost(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

DocumentHost::~DocumentHost() = default;

void DocumentHost::Navigate(const QString& path) {
    const dochost::DocumentFile file = dochost::readDocumentFile(path);
    QWidget* document = dochost::createDocument(file.className, this);
    if (document->parentWidget() != this) document->setParent(this);

    // The document shown before may still be on the stack below us (it can ask for a navigation
    // itself), so it goes once control is back in the event loop.
    if (m_document) {
        m_document->hide();
        layout()->removeWidget(m_document);
        m_document->deleteLater();
    }
    m_document = document;
    m_location = QFileInfo(path).absoluteFilePath();
    setFocusProxy(document);  // the host's focus is the document's
    layout()->addWidget(document);
    document->show();

    const quint64 navigation = ++m_navigation;
    QPointer<QWidget> created(document);
    QMetaObject::invokeMethod(
        this,
        [this, navigation, created] {
            // A later navigation has its own notification; a document already gone has none.
            if (navigation == m_navigation && created) emit NavigateComplete(created);
        },
        Qt::QueuedConnection);
}

QObject* DocumentHost::Document() const {
    return m_document.data();
}
