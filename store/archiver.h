#pragma once

// The outside archiver: Info-ZIP's zip and unzip, found on PATH and always started with an argument
// list (no shell), standard input closed and no terminal to prompt on. A non-zero exit status is a
// failure. Archives and unpacked libraries are written beside their final name and renamed into
// place, so a stale or half-written file never passes for the result.

#include <QString>

namespace store {

// The programs' paths; "" when not installed.
QString zipProgram();
QString unzipProgram();

// The zip switch for a list index of the compression box: 0 "Maximum" ... 4 "None!".
QString compressionSwitch(int index);

// Packs the file into a new archive at archive (replacing one there), at the compression of the
// list index. Throws engine::Error: a missing program, its failure (exit status and last message),
// or an archive shorter than 23 bytes.
void packLibrary(const QString& file, const QString& archive, int compressionIndex);

// The member of archive that holds the library named libraryName: the one of that file name
// (ignoring case, in any folder of the archive), else the only ".mdb" member; "" when there is
// none. Throws engine::Error when the archive cannot be read.
QString libraryMember(const QString& archive, const QString& libraryName);

// Unpacks the library member of archive (libraryMember with target's file name) into a private
// folder beside target and moves it into target's place; no other member is ever written, and
// folder names inside the archive are ignored. Throws engine::Error when there is no such member,
// it is not a plain file, or the program fails.
void unpackLibrary(const QString& archive, const QString& target);

}  // namespace store
