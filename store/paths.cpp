#include "store/paths.h"

#include "base/replace_file.h"

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

// An interrupted copy never passes for the library. The copy is the user's to change, whatever the
// installed file's mode was: it gets the usual mode of the user's new files.
bool copyInto(const QString& source, const QString& target) {
    if (!QDir().mkpath(QFileInfo(target).absolutePath())) return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return false;
    try {
        mrv::FileReplacement out(target, mrv::FileReplacement::CreateNew);
        while (!in.atEnd()) {
            const QByteArray block = in.read(1 << 20);
            if (block.isEmpty()) return false;
            out.write(block.constData(), block.size());
        }
        out.commit();
    } catch (const mrv::Error&) {
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
