// The library commands: the dialogs that work on the library file as a whole, the replica command
// and repair and compact. Whatever replaces the open library goes through replaceLibrary.

#include "browser/MRVDocument.h"

#include "browser/document_p.h"
#include "library/frmDBCopy.h"
#include "library/frmDBNew.h"
#include "library/frmDBSync.h"
#include "store/files.h"
#include "store/library_files.h"
#include "store/paths.h"
#include "store/repair_compact.h"
#include "store/replicas.h"
#include "store/startup.h"

namespace browser {

using namespace detail;

void MRVDocument::CopyLibrary() {
    frmDBCopy form(this);
    form.setCurrentDBPath(DBFileName());
    form.setMainWindow(this);
    form.Form_Load();
    ui::ShowFormModal(&form, this);
}

void MRVDocument::NewLibraryGroup() {
    frmDBNew form(this);
    form.setMainWindow(this);
    store::PlayEventSound(store::sndRestoreUp);
    ui::ShowFormModal(&form, this);
    store::PlayEventSound(store::sndRestoreDown);
}

void MRVDocument::SynchronizeLibraries() {
    frmDBSync form(this);
    form.setMainWindow(this);
    form.Form_Load();
    store::PlayEventSound(store::sndRestoreUp);
    ui::ShowFormModal(&form, this);
    store::PlayEventSound(store::sndRestoreDown);
}

void MRVDocument::ReplicateLibrary() {
    ProcReplicate();
}

void MRVDocument::RepairCompactLibrary() {
    if (ui::MsgBox(QStringLiteral("Repair and Compact the current Code Library right now?"),
                   ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2 | kForeground,
                   QStringLiteral("Repair and Compact now?")) != ui::vbYes)
        return;
    BusyCursor busy;
    bool repaired = false;
    const store::LibraryReplacement outcome = replaceLibrary([&](QString& path) {
        repaired = store::RepairCompact(path, this);
        return repaired;
    });
    if (outcome == store::LibraryReplacement::Cancelled) return;
    if (repaired) {
        StatusBar(QStringLiteral("Repair and Compact was Completed Successfully!"));
        ui::MsgBox(QStringLiteral("Database Repair and Compact was Completed Successfully!"),
                   ui::vbOKOnly | ui::vbInformation | kForeground, QStringLiteral("Success!"));
    } else {
        ui::MsgBox(QStringLiteral("Database Repair and Compact has FAILED!"),
                   ui::vbOKOnly | ui::vbInformation | kForeground, QStringLiteral("Failure!"));
    }
}

void MRVDocument::MakeReplica(const QString& source, const QString& replica, int options, bool& result) {
    store::MakeReplica(source, replica, options, result, this);
}

bool MRVDocument::SetReplicable(const QString& library) {
    return store::SetReplicable(library, this);
}

void MRVDocument::ProcReplicate() {
    const QString current = DBFileName();
    store::PlayEventSound(store::sndRestoreUp);
    const QString replica = ui::GetSaveFileName(
        this, QStringLiteral("Select Database Location?"),
        QStringLiteral("Access (*.mdb)|*.mdb") + QStringLiteral("|All Files (*.*)|*.*|"), 1,
        m_db ? store::ParentFolder(current) : store::userDataFolder() + QStringLiteral("/Library"),
        QStringLiteral("Replica of ") + store::FileNamePart(current));
    store::PlayEventSound(store::sndRestoreDown);
    if (replica.isEmpty()) return;

    // A library being replaced stays whole and locked until the replica takes its name.
    std::unique_ptr<engine::Database> held;
    if (store::FileExists(replica)) {
        if (store::sameFile(replica, current)) {
            ui::MsgBox(
                QStringLiteral("The Replica Code Library name that you selected is the same as the currently "
                               "opened database!") +
                    QStringLiteral("\r\n\r\n") +
                    QStringLiteral("You cannot make the Replica's name the same as the currently opened "
                                   "database!"),
                ui::vbOKOnly | ui::vbInformation | kForeground, QStringLiteral("Replica name error"));
            return;
        }
        if (ui::MsgBox(QStringLiteral("This Code Library ALREADY EXISTS!") + LF + LF +
                           QStringLiteral("'Replace' it with a new replicated Code Library?"),
                       ui::vbYesNo | ui::vbQuestion | kForeground,
                       QStringLiteral("Database Exists")) != ui::vbYes)
            return;
        if (ui::MsgBox(
                QStringLiteral("ARE YOU SURE???") + QStringLiteral("\r\n\r\n") +
                    QStringLiteral("That you want to PERMENENTLY REPLACE this existing Code Library database "
                                   "and all of it's Code???") +
                    QStringLiteral("\r\n\r\n") + replica,
                ui::vbYesNo | ui::vbQuestion | kForeground,
                QStringLiteral("Really WIPEOUT this Code Library Database???")) != ui::vbYes)
            return;
        try {
            held = store::lockForReplacement(replica);
        } catch (const engine::Error&) {
            ui::MsgBox(QStringLiteral("Error: Could not Replace \"") + replica + QStringLiteral("\"!") + LF +
                           LF + QStringLiteral("Please make sure this database is not currently in use,") +
                           LF + QStringLiteral("or manually delete this Code Library, and Try Again."),
                       ui::vbOKOnly | ui::vbExclamation | kForeground,
                       QStringLiteral("Error Replacing Code Library"));
            return;
        }
    }

    BusyCursor busy;
    StatusBar(QStringLiteral("Replicating Database..."));
    const bool made = store::replaceWithReplica(current, replica, this);
    held.reset();
    if (!made) {
        StatusBar(QStringLiteral("Error creating Replica: ") + replica);
        return;
    }
    StatusBar(QStringLiteral("Replica Created: ") + replica);
    ui::MsgBox(QStringLiteral("The current database was Replicated to: ") + LF + LF + replica,
               ui::vbOKOnly | ui::vbInformation | kForeground, QStringLiteral("Replica was created!"));
}

}  // namespace browser
