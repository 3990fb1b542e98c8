#include "ide/project_file.h"

#include "base/replace_file.h"
#include "ide/object_model.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

namespace ide {

namespace {

const QString kMagic = QStringLiteral("MorvaneProject");
// A project file lists a few hundred files at most; anything far larger is not one of ours.
constexpr qint64 kMaxFileSize = 1024 * 1024;

[[noreturn]] void fail(int number, const QString& source, int line, const QString& what) {
    const QString where = line > 0 ? QStringLiteral(" (line %1)").arg(line) : QString();
    throw mrv::Error(
        number,
        QStringLiteral("\"%1\" is not a project file that can be opened%2: %3").arg(source, where, what));
}

bool isKey(const QString& key, const char* name) {
    return key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

}  // namespace

ProjectFile parseProjectFile(const QByteArray& text, const QString& source) {
    QByteArray bytes = text;
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    if (bytes.isEmpty()) fail(errProjectFormat, source, 0, QStringLiteral("the file is empty."));
    if (bytes.contains('\0'))
        fail(errProjectFormat, source, 0, QStringLiteral("the file holds binary data."));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString all = decoder(bytes);
    if (decoder.hasError()) fail(errProjectFormat, source, 0, QStringLiteral("the file is not UTF-8 text."));
    const bool complete = all.endsWith(u'\n');
    QStringList lines = all.split(u'\n');
    if (complete) lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(u'\r')) line.chop(1);

    static const QRegularExpression header(QStringLiteral("^MorvaneProject ([0-9]{1,6})$"));
    const QRegularExpressionMatch m = header.match(lines.first());
    if (!m.hasMatch()) {
        if (!complete && lines.size() == 1 && (kMagic + u' ').startsWith(lines.first()))
            fail(errProjectFormat, source, 1, QStringLiteral("the file is cut short."));
        fail(errProjectFormat, source, 1, QStringLiteral("it is not a project file."));
    }
    const int version = m.captured(1).toInt();
    if (version < 1) fail(errProjectFormat, source, 1, QStringLiteral("the format version is 0."));
    if (version > kProjectFormatVersion)
        fail(errProjectVersion, source, 1,
             QStringLiteral("it was written for format version %1; this program reads up to version %2.")
                 .arg(version)
                 .arg(kProjectFormatVersion));

    ProjectFile project;
    bool haveName = false, ended = false;
    for (int i = 1; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')) continue;
        if (ended) fail(errProjectFormat, source, i + 1, QStringLiteral("a line follows the end."));
        if (line.compare(QLatin1String("End"), Qt::CaseInsensitive) == 0) {
            ended = true;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            fail(errProjectFormat, source, i + 1, QStringLiteral("a line is not of the form Key=Value."));
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (isKey(key, "Name")) {
            if (haveName)
                fail(errProjectFormat, source, i + 1, QStringLiteral("the project is named twice."));
            if (value.isEmpty())
                fail(errProjectFormat, source, i + 1, QStringLiteral("the project name is empty."));
            project.name = value;
            haveName = true;
        } else if (isKey(key, "File")) {
            if (value.isEmpty())
                fail(errProjectFormat, source, i + 1, QStringLiteral("a file line names no file."));
            project.files << value;
        }
    }
    if (!ended) fail(errProjectFormat, source, 0, QStringLiteral("the file is cut short."));
    if (!haveName) fail(errProjectFormat, source, 0, QStringLiteral("the file names no project."));
    return project;
}

ProjectFile readProjectFile(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw mrv::Error(mrv::errFileNotFound, QStringLiteral("Could not find file '%1'.").arg(path));
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        throw mrv::Error(errPathAccess, QStringLiteral("The project file '%1' cannot be opened.").arg(path));
    if (file.size() > kMaxFileSize)
        fail(errProjectFormat, path, 0, QStringLiteral("the file is far too large for a project file."));
    const QByteArray text = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw mrv::Error(errPathAccess, QStringLiteral("The project file '%1' cannot be read.").arg(path));
    return parseProjectFile(text, path);
}

QByteArray projectFileText(const ProjectFile& project) {
    const auto check = [](const QString& text, const char* what) {
        if (text.trimmed().isEmpty() || text.contains(u'\n') || text.contains(u'\r') ||
            text.trimmed() != text)
            throw mrv::Error(errInvalidArgument,
                             QStringLiteral("The %1 \"%2\" cannot be written to a project file.")
                                 .arg(QLatin1String(what), text));
    };
    check(project.name, "project name");
    QString text = kMagic + u' ' + QString::number(kProjectFormatVersion) + u'\n';
    text += QStringLiteral("Name=") + project.name + u'\n';
    for (const QString& file : project.files) {
        check(file, "file name");
        text += QStringLiteral("File=") + file + u'\n';
    }
    return (text + QStringLiteral("End\n")).toUtf8();
}

void replaceFile(const QString& path, const QByteArray& bytes) {
    try {
        mrv::replaceFileContent(path, bytes);
    } catch (const mrv::Error& e) {
        throw mrv::Error(errPathAccess,
                         QStringLiteral("The file '%1' cannot be written: %2").arg(path, e.description()));
    }
}

void writeProjectFile(const QString& path, const ProjectFile& project) {
    replaceFile(path, projectFileText(project));
}

QString relativeComponentPath(const QString& folder, const QString& path) {
    if (folder.isEmpty()) return QDir::cleanPath(path);
    const QString relative = QDir(folder).relativeFilePath(path);
    // Inside the project's folder a project moves with its files; anything else stays where it is.
    return relative.startsWith(QLatin1String("../")) || QDir::isAbsolutePath(relative) ? QDir::cleanPath(path)
                                                                                       : relative;
}

QString absoluteComponentPath(const QString& folder, const QString& written) {
    return QDir::cleanPath(QDir::isAbsolutePath(written) || folder.isEmpty() ? written
                                                                             : folder + u'/' + written);
}

}  // namespace ide
