#pragma once

#include <QString>

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

// The sample library the build installs in the program folder: only ever read, since the next
// build may replace it.
QString installedSamplePath();
// The user's sample library: userDataFolder() + "/Library/Sample Code Library.mdb", copied from
// the installed one on first use (whether or not the program folder could be written) and never
// touched again. The path is given even when there was nothing to copy or the copy failed; the
// library then does not open and the user is asked for another.
QString sampleLibraryPath();

}  // namespace store
