#include "store/replicas.h"

#include "store/engine/engine.h"
#include "store/engine/replication.h"
#include "store/error_report.h"
#include "store/library_schema.h"

namespace store {

void MakeReplica(const QString& source, const QString& replica, int options, bool& result,
                 StatusTarget* document) {
    result = false;
    try {
        const std::unique_ptr<engine::Database> db = engine::openDatabase(source);
        if (!engine::isReplicable(*db)) engine::MakeReplicable(*db, libraryReferences());
        db->MakeReplica(replica, "Replica of " + source, options);
        result = true;
        db->Close();
    } catch (const engine::Error& err) {
        ReportError(err, "MRVDocument.MakeReplica", document);
    }
}

bool SetReplicable(const QString& library, StatusTarget* document) {
    std::unique_ptr<engine::Database> db;
    try {
        db = engine::openDatabase(library, true);
    } catch (const engine::Error& err) {
        ReportError(err, "MRVDocument.SetReplicable", document);
        return false;
    }
    // Appending fails harmlessly when the property is there already; setting it then does the work.
    try {
        db->AppendProperty(db->CreateProperty("Replicable", engine::dbText, "T"));
    } catch (const engine::Error&) {
    }
    try {
        db->setProperty("Replicable", "T");
        engine::MakeReplicable(*db, libraryReferences());
    } catch (const engine::Error& err) {
        ReportError(err, "MRVDocument.SetReplicable", document);
        return false;
    }
    return true;
}

}  // namespace store
