#include "store/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace store {

namespace {

QString& overriddenFolder() {
    static QString folder;
    return folder;
}

// Copies beside the target and renames, so that an interrupted copy never passes for the library.
bool copyInto(const QString& source, const QString& target) {
    if (!QDir().mkpath(QFileInfo(target).absolutePath())) return false;
    const QString partial = target + QStringLiteral(".partial");
    QFile::remove(partial);
    if (!QFile::copy(source, partial)) return false;
    // The copy is the user's to change, whatever the installed file's mode was.
    QFile::setPermissions(partial,
                          QFile::permissions(partial) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        return false;
    }
    return true;
}

}  // namespace

QString programFolder() {
    if (!overriddenFolder().isEmpty()) return overriddenFolder();
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString& folder) {
    overriddenFolder() = folder;
}

QString designMasterPath() {
    return programFolder() + QStringLiteral("/Library/dm.db");
}

QString userDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/morvane");
}

QString installedSamplePath() {
    return programFolder() + QStringLiteral("/Library/Sample Code Library.mdb");
}

QString sampleLibraryPath() {
    const QString copy = userDataFolder() + QStringLiteral("/Library/Sample Code Library.mdb");
    if (QFileInfo(copy).isFile()) return copy;
    const QString original = installedSamplePath();
    if (QFileInfo(original).isFile()) copyInto(original, copy);
    return copy;
}

}  // namespace store
