#pragma once

// Item content files and shell services: stored files to and from disk in pieces, the private
// temporary folder and the list of temporary files deleted later, web shortcut files, path tests,
// and opening, running, copying and showing files through the desktop (platform/shell.h).

#include "platform/ui.h"
#include "store/engine/engine.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace store {

// ---- Stored files ------------------------------------------------------------------------------

// Writes the field's bytes to path in pieces of engine::kChunkSize, replacing any earlier file there.
// Errors are reported (location "bCodeLib.BLOBSaveToFile"); the file is left as far as it got.
void BLOBSaveToFile(engine::Field field, const QString& path);
// Loads the file into the field (the record is in edit mode): the remainder piece first, then the
// full pieces. An empty file stores an empty value. False for an empty path, and after reporting
// an error (location "bCodeLib.BlobSaveToField").
bool BlobSaveToField(engine::Field field, const QString& path);

// ---- The temporary folder ----------------------------------------------------------------------

// The program's private folder (mode 0700) inside the system's temporary folder, created on demand,
// with a trailing "/".
QString tempFolder();
// A new, empty, uniquely named file in the temporary folder whose name begins with prefix.
// Throws engine::Error when none can be created.
QString uniqueTempFileName(const QString& prefix);
// name made safe as one file name: "/" becomes "_", NUL goes, "." and ".." and "" get a "_" in
// front, and the stem is cut until the name fits the file system; any other character stays.
QString safeFileName(const QString& name);
// Where an item named name is extracted: the temporary folder and the name made safe as one file
// name ("/" and NUL cannot lead elsewhere, "." and ".." are not folders, the length fits the file
// system); any other character, non-ASCII included, stays as it is.
QString tempItemPath(const QString& name);
// Writes the stored file of field to a new private folder of its own inside the temporary folder,
// under name made safe as tempItemPath does, readable and writable by the user only (never
// executable), and lists it for deletion. Two extractions of one name never share a file. The
// path, or "" when the file could not be written (reported as BLOBSaveToFile reports).
QString ExtractStoredFile(engine::Field field, const QString& name);

// The list of files to delete later: settings section "Temp Files" of the general application name.
void RegisterTempFile(const QString& path);
// Deletes the listed files (errors ignored) and their keys, up to the first missing key, and the
// extraction folders left empty. Only files in tempFolder() or in its extraction folders are
// deleted; entries naming anything else only lose their key.
void DeleteTempFiles();

// ---- Web shortcuts and paths -------------------------------------------------------------------

// Writes an Internet shortcut file (CR LF lines). The address ends at its first line break.
// Throws engine::Error when the file cannot be written.
void WriteWebShortcut(const QString& address, const QString& path);
// The address in an Internet shortcut file: the "URL=" line of its "[InternetShortcut]" section
// within the first 32000 characters, or "" when there is none. Only a regular file is read (a pipe
// or device named ".url" would never end); an address too long for the file's first 32000
// characters is refused with a message rather than cut.
QString ReadWebShortcut(const QString& path);
// "http://...", "https://..." or "www...." in any case; no other scheme counts.
bool IsURL(const QString& text);
// Whether opening the file would run a program: an executable or shared object, a script (a "#!"
// line, or a script type), a desktop entry, or a type the desktop treats as executable. Decided from
// the name alone when there is no such file.
bool IsExecutableFile(const QString& path);

// True when path names an existing regular file (through links), not a folder or a device.
bool FileExists(const QString& path);
// True when anything at all is at path: a file, a folder, even a dangling link.
bool PathExists(const QString& path);
// The text before the last "/", or "" when there is none.
QString ParentFolder(const QString& path);
// The text after the last "/", or the whole path when there is none.
QString FileNamePart(const QString& path);

struct FileTimes {
    QString creation;   // "mm/dd/yy hh:mm:ss" in UTC, as the file system keeps it, or "Error"
    QString lastWrite;  // the same for the last modification
    // Linux file systems without a birth time give the time the file's metadata last changed.
    bool creationIsBirthTime = false;
};
FileTimes GetFileTimes(const QString& path);

// ---- Shell services ----------------------------------------------------------------------------

// Opens a document, folder, web address or "mailto:" link with the desktop's default program.
// Relative paths are taken from the program folder. The result is ignored.
void ShellOpen(const QString& target);
// The file manager's properties for the file, or our own properties window.
void ShowFileProperties(const QString& path, QWidget* owner = nullptr);
// Opens the file (with program, or the desktop's default program) and waits until the user is done
// with it, the interface staying live. Says "Unable to open this file: " when nothing can start.
void ShellExecAndWait(const QString& path, QWidget* owner = nullptr, const QString& program = QString());
// ShellExecAndWait, telling whether the file changed meanwhile.
bool OpenFileAndWait(const QString& path, const QString& program = QString(), QWidget* owner = nullptr);
// Runs a program and waits for it to end, the interface staying live. The command line is split
// into program and arguments (double quotes group); no shell sees it. Throws engine::Error when the
// program cannot be started.
void ShellAndWait(const QString& commandLine);
void ShellAndWait(const QString& program, const QStringList& arguments);
// Copies with progress and a question before replacing; false when cancelled or failed, leaving
// the destination untouched.
bool ShellFileCopy(const QString& source, const QString& destination, QWidget* owner = nullptr);
// The folder chooser (owner, title): the chosen folder, or "" when the user cancels.
using ui::BrowseForFolder;

}  // namespace store
