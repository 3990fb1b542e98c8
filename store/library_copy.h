#pragma once

// Where copies and backups of a library go, shared by the copy dialog and the command line: the
// names of a copy in a target folder, plain or packed, and the copy beside the library that an
// exchange keeps. The copying itself is copyLibraryFile and packLibrary (store/library_files.h,
// store/archiver.h).

#include <QString>

namespace store {

// Whether path names a zip archive (by its ending, in any case).
bool isLibraryArchive(const QString& path);

// folder with a trailing "/".
QString folderWithSlash(const QString& folder);

// The file name up to its first ending (ignoring case); a name without it loses its last suffix.
QString baseNameBefore(const QString& fileName, const QString& ending);

// Where a copy of library goes in folder: under its own file name, or its base name + ".zip" when
// packed.
QString copyToTarget(const QString& library, const QString& folder, bool zip);

// Where a copy of source (a library or a zip archive of one) goes in folder: its base name +
// ".mdb", or + ".zip" for an archive copied as it is.
QString copyFromTarget(const QString& source, const QString& folder, bool unpack);

// The copy kept before an exchange: the path with its last four characters (the ".mdb") replaced by
// ".bak".
QString syncBackupPath(const QString& path);

}  // namespace store
