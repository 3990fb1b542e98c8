// The exclusive lock under which a library file is copied and replaced, and putting back a library
// whose replacement was interrupted.

#include "base/replace_file.h"
#include "store/engine/whole_file_p.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <vector>

namespace engine {

namespace {

// The owner of a library that is read-only to everyone may still repair it: write access is lent
// while the locking connection opens, and the mode put back at once (the connection keeps it).
class LentWriteAccess {
public:
    explicit LentWriteAccess(const QString& path) : m_path(QFile::encodeName(path)) {
        struct stat st {};
        if (::access(m_path.constData(), W_OK) == 0 || ::stat(m_path.constData(), &st) != 0 ||
            st.st_uid != ::geteuid())
            return;
        m_mode = st.st_mode & 07777;
        m_lent = ::chmod(m_path.constData(), m_mode | S_IWUSR) == 0;
    }
    ~LentWriteAccess() {
        if (m_lent) ::chmod(m_path.constData(), m_mode);
    }

private:
    QByteArray m_path;
    mode_t m_mode = 0;
    bool m_lent = false;
};

Error inUse(const QString& path) {
    return Error(
        errLocked,
        QString("The Code Library '%1' is in use by another program. Close it there, then try again.")
            .arg(path));
}

}  // namespace

struct LibraryLock::Private {
    QString path;
    // A handle of the file's own that the lock keeps until after the connection has closed: a handle
    // closed while the lock is held would end the lock (the locks of a process go with any handle).
    struct Handle {
        int fd = -1;
        ~Handle() {
            if (fd >= 0) ::close(fd);
        }
    } file;
    Connection db;

    void run(const char* sql) {
        const int rc = sqlite3_exec(db.get(), sql, nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) return;
        if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED) throw inUse(path);
        if ((rc & 0xff) == SQLITE_CORRUPT)
            throw Error(errDamaged,
                        QString("The Code Library '%1' is too badly damaged to be repaired: its first page "
                                "cannot be read.")
                            .arg(path));
        throwSqlite(db.get(), rc, path);
    }

    // The handle, once the lock is held on the file that has the library's name.
    void openHandle() {
        int moved = 0;
        sqlite3_file_control(db.get(), "main", SQLITE_FCNTL_HAS_MOVED, &moved);
        file.fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        struct stat locked {
        }, named{};
        if (moved || file.fd < 0 || ::fstat(file.fd, &locked) != 0 ||
            ::stat(QFile::encodeName(path).constData(), &named) != 0 || locked.st_ino != named.st_ino)
            throw inUse(path);  // replaced by another program meanwhile
    }
};

LibraryLock::LibraryLock(const QString& path) : d(std::make_unique<Private>()) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw Error(errFileNotFound, QString("Could not find the file '%1'.").arg(path));
    if (info.isDir())
        throw Error(errCantOpen, QString("'%1' is a folder, not a Code Library file.").arg(path));
    d->path = info.absoluteFilePath();
    {
        const LentWriteAccess lent(d->path);
        d->db = connect(d->path, SQLITE_OPEN_READWRITE);
    }
    if (sqlite3_db_readonly(d->db.get(), "main") == 1)
        throw Error(errReadOnly, QString("Cannot change '%1': the file is read-only to you.").arg(d->path));
    // A file cut short still locks; write-ahead logging would let readers in beside the lock.
    d->run("PRAGMA writable_schema = ON");
    d->run("PRAGMA journal_mode = DELETE");
    // Taking the lock rolls back a journal left by a program that stopped mid-write.
    d->run("BEGIN EXCLUSIVE");
    d->openHandle();
}

LibraryLock::~LibraryLock() = default;

const QString& LibraryLock::path() const {
    return d->path;
}

void LibraryLock::copyTo(const QString& destination) const {
    const QString folder = QFileInfo(destination).absolutePath();
    const QByteArray target = QFile::encodeName(destination);
    const int out = ::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) throw mrv::writeError(errno, folder, d->path);
    bool done = false;
    const auto cleanUp = qScopeGuard([&] {
        ::close(out);
        if (!done) ::unlink(target.constData());
    });
    struct stat st {};
    if (::fstat(d->file.fd, &st) != 0)
        throw Error(errDiskIO, QString("The Code Library '%1' cannot be read.").arg(d->path));
    // In the kernel where it can; by reading and writing where it cannot.
    loff_t from = 0;
    while (from < st.st_size) {
        const ssize_t n = ::copy_file_range(d->file.fd, &from, out, nullptr, size_t(st.st_size - from), 0);
        if (n > 0) continue;
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) break;
        if (n < 0 && errno == EINTR) continue;
        throw mrv::writeError(n < 0 ? errno : EIO, folder, d->path);
    }
    std::vector<char> buffer(1 << 20);
    while (from < st.st_size) {
        const ssize_t n = ::pread(d->file.fd, buffer.data(), buffer.size(), from);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw Error(errDiskIO, QString("A disk error occurred while reading '%1'.").arg(d->path));
        mrv::writeAll(out, buffer.data(), n, folder, d->path);
        from += n;
    }
    done = true;
}

void LibraryLock::keepAs(const QString& backup) const {
    const QByteArray from = QFile::encodeName(d->path), to = QFile::encodeName(backup);
    if (::link(from.constData(), to.constData()) == 0) return;
    switch (errno) {
        case EPERM:
        case EOPNOTSUPP:
        case EMLINK:
        case EXDEV:
            copyTo(backup);  // a file system without hard links
            return;
        case EEXIST:
            throw Error(errCantOpen,
                        QString("The backup of '%1' cannot be made: something named '%2' is in the way.")
                            .arg(d->path, QFileInfo(backup).fileName()));
        default:
            throw mrv::writeError(errno, QFileInfo(backup).absolutePath(), d->path);
    }
}

void removeWorkFiles(const QString& path) {
    const QString replacement = mrv::FileReplacement::workPathFor(path);
    for (const QString& file : {path, DamagedCopy::pathFor(path), replacement})
        for (const char* suffix : {"", "-journal"}) QFile::remove(file + suffix);
}

QString backupPath(const QString& path) {
    return path.size() < 4 ? QString() : path.left(path.size() - 4) + ".bak";
}

QString workCopyPath(const QString& path) {
    return path.size() < 4 ? QString() : path.left(path.size() - 4) + ".tmp";
}

void recoverInterruptedReplace(const QString& path) {
    const QString backup = backupPath(path), work = workCopyPath(path);
    if (backup.isEmpty() || QFileInfo(path).exists() || QFileInfo(path).isSymLink() ||
        !QFileInfo::exists(work) || !readHeader(backup).valid)
        return;
    try {
        if (!mrv::renameNoReplace(backup, path, path)) return;
        mrv::syncFolder(QFileInfo(path).absolutePath());
        removeWorkFiles(work);
    } catch (const Error&) {
        // the open that follows says what is wrong
    }
}

}  // namespace engine
