#include "store/paths.h"

#include <QCoreApplication>

namespace store {

namespace {
QString& overriddenFolder() {
    static QString folder;
    return folder;
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

}  // namespace store
