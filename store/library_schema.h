#pragma once

// The schema of a library, in one place: the design master, new libraries and the sample
// library are all made from it.

#include "store/engine/engine.h"
#include "store/engine/replication.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

namespace store {

// DatabaseVersion of libraries made with librarySchema(). Raise it with every schema change:
// libraries with a lower version are brought up to the design master's schema when opened.
// 4: statements are held to the field types (the engine's checks come with the upgrade).
// 5: items are listed in category and name order from an index of both.
inline constexpr int kLibrarySchemaVersion = 5;

// The statements that create the tables System, Category and Procedure, their indexes and the
// trigger that deletes the items of a deleted category.
QStringList librarySchema();

// The fields the quick search reads, which the engine's search index covers.
QList<engine::SearchIndexFields> librarySearchFields();

// The columns that hold keys of categories (Procedure.CatKey and Category.ParentKey): a replica
// exchange translates them when a category's key differs between two members.
QList<engine::ReplicaReference> libraryReferences();

// A new group identity: a GUID in registry form, braces included, upper case, 38 characters.
QString newGroupGuid();

struct LibraryGroup {
    QString guid;  // empty: a new one is generated
    QString name;
    QDateTime created;  // invalid: now
};

// Creates a new library file at path with the current schema and its one System row. Nothing is
// left at path when this fails (errDatabaseExists when a file is there already).
std::unique_ptr<engine::Database> createLibrary(const QString& path, const LibraryGroup& group);

}  // namespace store
