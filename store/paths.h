#pragma once

#include <QString>

#include <functional>

namespace store {

// The folder of the running executable, without a trailing separator. Read-only at run time.
QString programFolder();
// Tests point the program folder elsewhere; an empty text goes back to the executable's folder.
void setProgramFolder(const QString& folder);

// The design master of the libraries' schema: its DatabaseVersion is the current version.
QString designMasterPath();

// The user's own folder for what the program would otherwise write into its program folder:
// the user's data folder + "/morvane".
QString userDataFolder();

// The sample library to start with: the program folder's "Library/Sample Code Library.mdb" where
// the user may change it in place, otherwise a copy of it in userDataFolder() + "/Library", made
// on first use and kept from then on. The program folder's path when there is no sample to copy
// or the copy cannot be made (the library then opens read-only or asks for another).
QString sampleLibraryPath();

// Whether the program may write to a file or into a folder; tests replace the check (as root
// everything counts as writable). An empty function goes back to the file system's answer.
using WritableCheck = std::function<bool(const QString& path)>;
void setWritableCheck(WritableCheck check);

}  // namespace store
