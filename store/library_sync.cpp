#include "store/library_sync.h"

#include "store/files.h"
#include "store/library_copy.h"
#include "store/library_files.h"

namespace store {

namespace {

QString fieldText(engine::Recordset& rs, const char* name) {
    return rs.eof() ? QString() : rs.Fields(QLatin1String(name)).text();
}

}  // namespace

int syncExchangeType(SyncDirection direction) {
    switch (direction) {
        case SyncDirection::Import:
            return 2;
        case SyncDirection::Export:
            return 1;
        case SyncDirection::Both:
            break;
    }
    return 4;
}

GroupIdentity readGroupIdentity(engine::Database& db) {
    auto system =
        db.OpenRecordset(QStringLiteral("SELECT * FROM [System]"), engine::dbOpenDynaset, engine::dbReadOnly);
    return {fieldText(*system, "GroupGUID"), fieldText(*system, "GroupName"),
            fieldText(*system, "CreatedDate")};
}

GroupCheck checkSyncGroup(const GroupIdentity& ours, const QString& otherPath, GroupIdentity& other) {
    other = {};
    const std::unique_ptr<engine::Database> db = engine::openDatabase(otherPath, false, true);
    try {
        other = readGroupIdentity(*db);
    } catch (const engine::Error& err) {
        if (err.number() != engine::errTableMissing) throw;
        return GroupCheck::NotALibrary;
    }
    return other.guid == ours.guid ? GroupCheck::SameGroup : GroupCheck::OtherGroup;
}

bool synchronizeLibrary(const QString& path, const QString& other, SyncDirection direction, bool backUp,
                        const std::function<void(const QString&)>& status, QWidget* owner) {
    const auto tell = [&](const QString& text) {
        if (status) status(text);
    };
    const auto backUpFile = [&](const QString& file) {
        tell(QStringLiteral(" Backing Up: ") + FileNamePart(file) + QStringLiteral("..."));
        return copyLibraryFile(file, syncBackupPath(file), owner);
    };
    // Both ways and export change the other library too: it gets its backup first. Nothing is
    // exchanged without the backups asked for.
    if (backUp && ((direction != SyncDirection::Import && !backUpFile(other)) || !backUpFile(path)))
        return false;
    tell(direction == SyncDirection::Import   ? QStringLiteral(" Importing Code Library...")
         : direction == SyncDirection::Export ? QStringLiteral(" Exporting Code Library...")
                                              : QStringLiteral(" Synchronizing Code Libraries..."));
    const std::unique_ptr<engine::Database> db = engine::openDatabase(path);
    db->Synchronize(other, syncExchangeType(direction));
    db->Close();
    return true;
}

}  // namespace store
