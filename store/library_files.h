#pragma once

// Library files as wholes: whether two paths name one file, the lock held on a library while it is
// replaced, moving a finished file into its place, and copying a library without asking again.
// Every target is written beside its final name and renamed into place once complete, so a failure
// or a crash leaves either the old file or the new one, never a missing or half-written one.

#include "store/engine/engine.h"
#include "store/status_target.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace store {

// Whether a and b name the same file or folder (device and inode), however they are spelled:
// through links, "./", "..". A path that does not exist yet is compared by its folder and name.
bool sameFile(const QString& a, const QString& b);

// Taken on a library file before it is replaced: SQLite's exclusive lock, held until the returned
// handle goes, so that no other program is in the middle of using the file when it goes. nullptr
// when nothing is at path or the file is not a library (nothing can be using it as one). Throws
// engine::Error: errLocked while another program holds it, errCantOpen when it is read-only.
// The one place replacements take their lock; a shared replacement helper may take it over.
std::unique_ptr<engine::Database> lockForReplacement(const QString& path);

// A name for a file being written beside target: same folder, hidden, not taken yet, same ending.
QString besideName(const QString& target);

// Puts the complete file work in target's place with one rename, as every replacement of a file
// does (mrv::replaceFileWith). Throws engine::Error; work is then left for the caller to remove.
void moveIntoPlace(const QString& work, const QString& target);

// A read transaction on the library at path, held until the returned handle goes: no other program
// commits to it meanwhile, so a copy taken of the file is whole. nullptr when path is no library.
std::unique_ptr<engine::Database> holdForReading(const QString& path);

// Copies a library file to target (written beside it, renamed into place), holding a read lock on
// the source when it is a library so that no other program changes it meanwhile, and the lock for
// replacement on a library at target. Replaces target without asking: the caller has asked. False
// when the copy failed (the user has been told) or the user cancelled it; throws engine::Error when
// target cannot be locked (it is left as it was).
bool copyLibraryFile(const QString& source, const QString& target, QWidget* owner = nullptr);

// Makes a replica of source (a new member of its replica set) in target's place: written beside
// it and moved in when complete. The caller holds the lock on a library that was at target.
// Failures are reported with the document's location; false then, and target is as it was.
bool replaceWithReplica(const QString& source, const QString& target,
                        store::StatusTarget* document = nullptr);

// Writes the library of a new group at target: a compacted copy of source without categories and
// items, the first member of a new replica set (no history of the rows it was emptied of), its
// System row stamped with guid, created and groupName. Built beside target and moved into place;
// the caller holds the lock on a library that was at target. Throws engine::Error, leaving target
// as it was and no half-made file.
void createGroupLibrary(const QString& source, const QString& target, const QString& guid,
                        const QDateTime& created, const QString& groupName);

// The folder removable disks are mounted in (/media/$USER) when it exists, else the home folder;
// stands where a floppy disk's drive was proposed.
QString removableMediaFolder();

// Named steps of the operations that write library files (copy, archive, new group, replica), for
// tests that stop the process at each one. An empty function removes the hook.
void setStepHook(std::function<void(const char* step)> hook);
void step(const char* name);

}  // namespace store
