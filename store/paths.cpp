#include "store/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <utility>

namespace store {

namespace {

QString& overriddenFolder() {
    static QString folder;
    return folder;
}

WritableCheck& writableCheck() {
    static WritableCheck check;
    return check;
}

bool isWritable(const QString& path) {
    if (writableCheck()) return writableCheck()(path);
    return QFileInfo(path).isWritable();
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

QString sampleLibraryPath() {
    const QString name = QStringLiteral("/Library/Sample Code Library.mdb");
    const QString original = programFolder() + name;
    const QFileInfo info(original);
    if (!info.isFile()) return original;
    if (isWritable(info.absolutePath()) && isWritable(original)) return original;

    const QString copy = userDataFolder() + name;
    if (QFileInfo(copy).isFile()) return copy;
    return copyInto(original, copy) ? copy : original;
}

void setWritableCheck(WritableCheck check) {
    writableCheck() = std::move(check);
}

}  // namespace store
