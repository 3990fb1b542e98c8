#pragma once

// Replacing a file so that its name always holds either the old file or the whole new one: the new
// content is written beside the target in the same folder, synced with the folder, and renamed over
// the target in one step. The one way the program replaces or creates a file that matters.

#include "base/error.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>
#include <functional>

namespace mrv {

class FileReplacement {
public:
    enum Mode {
        Replace,    // the target may exist and is replaced
        CreateNew,  // errDatabaseExists when a file appears under the target's name meanwhile
    };

    // Starts an empty new file beside target. At commit it takes the mode, owner and group of
    // modeFrom (the target itself when empty), as far as the user may set them; without such a file
    // it gets the usual mode for new files. errLocked when another program is writing a new file for
    // the same target; other failures as for writing.
    explicit FileReplacement(const QString& target, Mode mode = Replace, const QString& modeFrom = QString());
    ~FileReplacement();  // without commit, the new file is removed
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    const QString& target() const { return m_target; }
    // The one work name for a target, so that a later run finds and clears what a killed one left.
    static QString workPathFor(const QString& target);
    // Where the new content goes: by write(), or by another writer (SQLite) opening this path. It is
    // never named to the user.
    const QString& workPath() const { return m_work; }
    void write(const char* data, qint64 size);
    // The new file's descriptor, for copies the kernel makes (copy_file_range).
    int handle() const { return m_fd; }

    // Syncs the new file, gives it the mode, removes a database journal the old file may have left
    // (it would be applied to the new file), renames the new file over the target and syncs the
    // folder. Every writer that opened workPath() must have closed it.
    void commit();

    // The mode, owner and group a new file takes from the file it replaces.
    struct KeptMode {
        bool keep = false;
        mode_t permissions = 0;
        uid_t owner = 0;
        gid_t group = 0;
    };

private:
    void discard();
    QString m_target, m_work;
    Mode m_mode;
    int m_fd = -1;
    KeptMode m_kept;
};

// The file a replacement of path replaces: where a symbolic link leads (the link stays, and other
// links to the file see the new one), else path made absolute.
QString replacedFile(const QString& path);

// Replaces the file at path by bytes, as FileReplacement does. Throws Error as it does.
void replaceFileContent(const QString& path, const QByteArray& bytes);

// Puts a finished file, written at work beside target by another writer, in target's place as
// FileReplacement::commit does: synced, with target's mode and group, no journal of the old file left,
// renamed in one step and the folder synced.
void replaceFileWith(const QString& work, const QString& target);

// The error for a failed write to a file in folder, made for the user: a full disk says so and
// where; file names the file the user knows (never a work file).
Error writeError(int errnum, const QString& folder, const QString& file);

// Writes all of data to descriptor fd; a failure throws writeError for folder and file.
void writeAll(int fd, const char* data, qint64 size, const QString& folder, const QString& file);

// Renames from to to unless something is at to (false then, nothing changed). Throws on any other
// failure; file names the file the user knows.
bool renameNoReplace(const QString& from, const QString& to, const QString& file);

// Makes a rename or removal in the folder survive a crash.
void syncFolder(const QString& folder);

// Called between the steps of every operation that replaces a library file: where a crash would
// leave the files in a different state. Tests kill a child process here.
void fileStep();

namespace testing {
void setFileStepHook(std::function<void()> hook);
}

}  // namespace mrv
