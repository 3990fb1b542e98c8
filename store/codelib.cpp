#include "store/codelib.h"

#include "platform/ui.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/library_schema.h"
#include "store/paths.h"

#include <QDateTime>
#include <QFileInfo>

#include <memory>
#include <optional>

namespace store {

namespace {

const QString LF = QStringLiteral("\n");
const QString CR = QStringLiteral("\r");
const QString TAB = QStringLiteral("\t");
const QString kSelectSystem = QStringLiteral("SELECT * FROM [System]");

std::unique_ptr<engine::Workspace>& workspace() {
    static std::unique_ptr<engine::Workspace> ws;
    return ws;
}

// DatabaseVersion of the System row as the 16-bit integer it is declared as.
int readVersion(engine::Recordset& rs) {
    if (rs.eof()) throw engine::Error(engine::errNoCurrentRecord, QStringLiteral("No current record."));
    const QVariant value = rs.Fields(QStringLiteral("DatabaseVersion")).Value();
    bool ok = false;
    const int version = value.toInt(&ok);
    if (value.isNull() || !ok || version < -32768 || version > 32767)
        throw engine::Error(engine::errConversion,
                            QStringLiteral("DatabaseVersion is not a 16-bit integer."));
    return version;
}

// Errors that say the file cannot be read at all, as opposed to a library without a version.
bool isUnreadable(const engine::Error& err) {
    switch (err.number()) {
        case engine::errDamaged:
        case engine::errNotADatabase:
        case engine::errLocked:
        case engine::errDiskIO:
            return true;
        default:
            return false;
    }
}

QStringList columnsOf(engine::Database& db, const QString& table) {
    QStringList columns;
    auto rs = db.OpenRecordset(QStringLiteral("PRAGMA table_info(\"") + table + QStringLiteral("\")"),
                               engine::dbOpenSnapshot);
    for (; !rs->eof(); rs->MoveNext()) columns << rs->Fields(1).text();
    return columns;
}

// An upgrade is for a library of an older schema, which has no column the master lacks; a column of
// a name no version ever had is a damaged name, and a file failing SQLite's check is damaged too.
// Either way upgrading would write into the damage.
std::optional<engine::Error> damageOf(engine::Database& library, engine::Database* master) {
    const auto damaged = [&](const QString& why) {
        return engine::Error(engine::errDamaged,
                             QStringLiteral("The Code Library '") + library.Name() +
                                 QStringLiteral("' is damaged and needs to be repaired: ") + why);
    };
    try {
        auto check = library.OpenRecordset(QStringLiteral("PRAGMA quick_check"), engine::dbOpenSnapshot);
        if (check->Fields(0).text() != QStringLiteral("ok"))
            return damaged(QStringLiteral("SQLite's check finds it unsound."));
        if (!master) return std::nullopt;
        const QStringList tables = library.TableNames();
        for (const QString& table : master->TableNames()) {
            if (!tables.contains(table, Qt::CaseInsensitive)) continue;
            const QStringList known = columnsOf(*master, table);
            for (const QString& column : columnsOf(library, table))
                if (!known.contains(column, Qt::CaseInsensitive))
                    return damaged(
                        QStringLiteral("its table '%1' has a column '%2' that no version of the library "
                                       "has.")
                            .arg(table, column));
        }
    } catch (const engine::Error& err) {
        return err;
    }
    return std::nullopt;
}

}  // namespace

void startWorkspace() {
    if (!workspace())
        workspace() = std::make_unique<engine::Workspace>(QString(), QStringLiteral("admin"), QString(),
                                                          engine::dbUseJet);
}

engine::Workspace* sharedWorkspace() {
    return workspace().get();
}

bool DBOpen(const QString& fileName, engine::Database*& database) {
    try {
        engine::recoverInterruptedReplace(fileName);
        if (!FileExists(fileName)) {
            ui::MsgBox(QStringLiteral("Error: Code Library Database was NOT FOUND:") + LF + LF + fileName,
                       ui::vbOKOnly | ui::vbExclamation | ui::vbMsgBoxSetForeground,
                       QStringLiteral("Database NOT FOUND!"));
            return false;
        }
        startWorkspace();
        engine::Database* opened = workspace()->OpenDatabase(fileName, false, false);
        // A file that is not a usable library must not stay open in the shared workspace, nor
        // take the place of the caller's library.
        if (!DBValidateVersion(opened)) {
            DBClose(opened);
            return false;
        }
        // A library made before the quick search had its index gets it now, once.
        engine::ensureSearchIndex(*opened, librarySearchFields());
        database = opened;
        return true;
    } catch (const engine::Error& err) {
        ReportError(err, QStringLiteral("bCodeLib.DBOpen"));
        return false;
    }
}

bool DBValidateVersion(engine::Database* database) {
    const QString masterPath = designMasterPath();
    if (!FileExists(masterPath)) return true;

    // The master is opened read-only: nothing is ever written to it. It lies in the program folder,
    // which does not change while the program runs, so its version is read once (again only if the
    // file is another).
    struct Known {
        QString path;
        QDateTime modified;
        qint64 size = -1;
        int version = 0;
    };
    static Known known;
    const QFileInfo masterFile(masterPath);
    int masterVersion = 0;
    std::optional<engine::Error> masterError;
    if (known.path == masterPath && known.modified == masterFile.lastModified() &&
        known.size == masterFile.size()) {
        masterVersion = known.version;
    } else {
        try {
            const auto master = engine::openDatabase(masterPath, false, true);
            auto rs = master->OpenRecordset(kSelectSystem, engine::dbOpenSnapshot, engine::dbReadOnly);
            masterVersion = readVersion(*rs);
            rs->Close();
            known = {masterPath, masterFile.lastModified(), masterFile.size(), masterVersion};
        } catch (const engine::Error& err) {
            masterError = err;
        }
    }

    // A library without a readable version is out of date; one that cannot be read at all is
    // reported instead, as an upgrade could only make it worse.
    bool current = false;
    try {
        auto rs = database->OpenRecordset(kSelectSystem, engine::dbOpenDynaset, engine::dbReadOnly);
        try {
            current = readVersion(*rs) >= masterVersion;
        } catch (const engine::Error& err) {
            if (isUnreadable(err)) throw;
        }
        try {
            rs->Close();
        } catch (const engine::Error&) {
        }
    } catch (const engine::Error& err) {
        if (isUnreadable(err)) {
            ReportError(err, QStringLiteral("bCodeLib.DBValidateVersion"));
            return false;
        }
        if (err.number() == engine::errTableMissing) {
            ui::MsgBox(QStringLiteral("This is not a valid Code Library Database!    ") + CR + CR +
                           QStringLiteral("Try again..."),
                       ui::vbOKOnly | ui::vbExclamation | ui::vbMsgBoxSetForeground,
                       QStringLiteral("Incorrect Database..."));
            return false;
        }
    }
    if (current) return true;
    std::unique_ptr<engine::Database> master;
    if (!masterError) {
        try {
            master = engine::openDatabase(masterPath, false, true);
        } catch (const engine::Error&) {
        }
    }
    if (const std::optional<engine::Error> damage = damageOf(*database, master.get())) {
        ReportError(*damage, QStringLiteral("bCodeLib.DBValidateVersion"));
        return false;
    }
    master.reset();

    ui::MsgBox(QStringLiteral("This Code Library's 'Schema Design' is out-of-date:") + LF + LF + TAB +
                   database->Name() + LF + LF +
                   QStringLiteral("The System will now attempt to UPGRADE this Library's Schema Design."),
               ui::vbOKOnly | ui::vbInformation | ui::vbMsgBoxSetForeground,
               QStringLiteral("Morvane UPGRADE Required!"));
    try {
        // Without a version to write, an upgrade would only pretend to succeed.
        if (masterError) throw *masterError;
        engine::applySchema(*database, masterPath);
        const QString version = QString::number(masterVersion);
        // A library that lost its System row gets one back, or it would be upgraded on every open.
        if (database->Execute(QStringLiteral("UPDATE [System] SET DatabaseVersion = ") + version) == 0)
            database->Execute(QStringLiteral("INSERT INTO [System] (DatabaseVersion) VALUES (") + version +
                              QStringLiteral(")"));
    } catch (const engine::Error& err) {
        ReportError(err, QStringLiteral("bCodeLib.DBValidateVersion"));
        return false;
    }
    ui::MsgBox(QStringLiteral("SUCCESS!") + LF +
                   QStringLiteral("This Morvane Upgrade was Completed Successfully!") + LF + LF +
                   database->Name(),
               ui::vbOKOnly | ui::vbInformation | ui::vbMsgBoxSetForeground, QStringLiteral("Success!"));
    return true;
}

void DBClose(engine::Database*& database) {
    if (database) {
        try {
            database->Close();
        } catch (const engine::Error&) {
        }
    }
    database = nullptr;
}

QString SQLQuote(const QString& text) {
    QString quoted = text;
    return quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
}

}  // namespace store
