#include "store/library_copy.h"

#include "store/files.h"

#include <QFileInfo>

namespace store {

bool isLibraryArchive(const QString& path) {
    return path.right(4).toLower() == QLatin1String(".zip");
}

QString folderWithSlash(const QString& folder) {
    return folder.endsWith('/') ? folder : folder + '/';
}

QString baseNameBefore(const QString& fileName, const QString& ending) {
    const qsizetype at = fileName.indexOf(ending, 0, Qt::CaseInsensitive);
    return at >= 0 ? fileName.left(at) : QFileInfo(fileName).completeBaseName();
}

QString copyToTarget(const QString& library, const QString& folder, bool zip) {
    const QString fileName = FileNamePart(library);
    return folderWithSlash(folder) +
           (zip ? baseNameBefore(fileName, QStringLiteral(".mdb")) + QStringLiteral(".zip") : fileName);
}

QString copyFromTarget(const QString& source, const QString& folder, bool unpack) {
    const bool archive = isLibraryArchive(source);
    const QString base =
        baseNameBefore(FileNamePart(source), archive ? QStringLiteral(".zip") : QStringLiteral(".mdb"));
    // The file that is written is the one asked about: an archive copied as it is keeps its ending.
    return folderWithSlash(folder) + base +
           (archive && !unpack ? QStringLiteral(".zip") : QStringLiteral(".mdb"));
}

QString syncBackupPath(const QString& path) {
    return path.left(path.size() - 4) + QStringLiteral(".bak");
}

}  // namespace store
