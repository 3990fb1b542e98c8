#include "base/replace_file.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace mrv {

namespace {

std::function<void()>& stepHook() {
    static std::function<void()> hook;
    return hook;
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QString systemMessage(int errnum) {
    return QString::fromLocal8Bit(std::strerror(errnum));
}

// A leftover that cannot go is harmless: nothing reads it.
void removeIfThere(const QString& path) {
    ::unlink(native(path).constData());
}

Error beingWritten(const QString& target) {
    return Error(errLocked,
                 QStringLiteral("'%1' is being written by another program. Try again when it has finished.")
                     .arg(target));
}

FileReplacement::KeptMode modeOf(const QString& path) {
    struct stat st {};
    FileReplacement::KeptMode kept;
    if (::stat(native(path).constData(), &st) == 0 && S_ISREG(st.st_mode))
        kept = {true, mode_t(st.st_mode & 07777), st.st_uid, st.st_gid};
    return kept;
}

// Syncs the file at work, gives it the kept mode, clears the target's companions and renames it
// over the target (only onto a free name when createNew).
void putInPlace(const QString& work, const QString& target, const FileReplacement::KeptMode& kept,
                bool createNew) {
    const QString folder = QFileInfo(target).absolutePath();
    fileStep();
    // By name: another writer (SQLite) may have made the file anew.
    const int fd = ::open(native(work).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) throw writeError(errno, folder, target);
    const int synced = ::fsync(fd) == 0 ? 0 : errno;
    if (kept.keep && !synced) {
        // The owner only where allowed (root), the group where the user belongs to it; the mode last,
        // as changing owners clears the set-id bits.
        if (::fchown(fd, kept.owner, kept.group) != 0 && ::fchown(fd, uid_t(-1), kept.group) != 0) {
            // neither: the new file keeps the user's own group
        }
        ::fchmod(fd, kept.permissions);
    }
    ::close(fd);
    if (synced) throw writeError(synced, folder, target);
    fileStep();
    for (const char* companion : {"-journal", "-wal", "-shm"})
        removeIfThere(target + QLatin1String(companion));
    if (createNew) {
        if (!renameNoReplace(work, target, target))
            throw Error(errDatabaseExists, QStringLiteral("A file named '%1' already exists.").arg(target));
    } else if (::rename(native(work).constData(), native(target).constData()) != 0) {
        throw writeError(errno, folder, target);
    }
}

}  // namespace

void replaceFileWith(const QString& work, const QString& target) {
    const QString absolute = replacedFile(target);
    putInPlace(work, absolute, modeOf(absolute), false);
    fileStep();
    syncFolder(QFileInfo(absolute).absolutePath());
}

QString replacedFile(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() && info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
}

void replaceFileContent(const QString& path, const QByteArray& bytes) {
    FileReplacement out(path);
    out.write(bytes.constData(), bytes.size());
    out.commit();
}

QString FileReplacement::workPathFor(const QString& target) {
    constexpr int kNameMax = 255;
    const QFileInfo info(target);
    const QString name = info.fileName() + QStringLiteral(".mrv-new");
    if (native(name).size() <= kNameMax) return info.absolutePath() + '/' + name;
    const QByteArray hash =
        QCryptographicHash::hash(native(info.fileName()), QCryptographicHash::Sha1).toHex();
    return info.absolutePath() + QStringLiteral("/.mrv-") + QString::fromLatin1(hash) +
           QStringLiteral(".new");
}

Error writeError(int errnum, const QString& folder, const QString& file) {
    switch (errnum) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return Error(errDiskIO,
                         QStringLiteral("The disk holding '%1' is full: there is no room for the new copy of "
                                        "'%2'. Make room on it and try again.")
                             .arg(folder, file));
        case ENOENT:
        case ENOTDIR:
            return Error(errCantOpen, QStringLiteral("Cannot write '%1': the folder '%2' does not exist.")
                                          .arg(QFileInfo(file).fileName(), folder));
        case EACCES:
        case EPERM:
        case EROFS:
            return Error(errCantOpen, QStringLiteral("Cannot write '%1' in '%2': %3.")
                                          .arg(QFileInfo(file).fileName(), folder, systemMessage(errnum)));
        default:
            return Error(errDiskIO,
                         QStringLiteral("A disk error occurred while writing the new copy of '%1': %2.")
                             .arg(file, systemMessage(errnum)));
    }
}

FileReplacement::FileReplacement(const QString& target, Mode mode, const QString& modeFrom)
    : m_target(replacedFile(target)), m_work(workPathFor(m_target)), m_mode(mode) {
    m_kept = modeOf(modeFrom.isEmpty() ? m_target : modeFrom);
    const QString folder = QFileInfo(m_target).absolutePath();
    // Private while it is written; the mode it keeps comes at commit.
    const mode_t creating = m_kept.keep ? 0600 : 0666;
    for (int attempt = 0; attempt < 3 && m_fd < 0; ++attempt) {
        const int fd = ::open(native(m_work).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, creating);
        if (fd >= 0) {
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
                ::close(fd);
                continue;  // another program opened it between our create and our lock
            }
            m_fd = fd;
            break;
        }
        if (errno != EEXIST) throw writeError(errno, folder, m_target);
        // Left by a program that was killed, or being written by one that runs: only the first may go.
        const int stale = ::open(native(m_work).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (stale >= 0 && ::flock(stale, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            ::close(stale);
            throw beingWritten(m_target);
        }
        removeIfThere(m_work);
        if (stale >= 0) ::close(stale);
    }
    if (m_fd < 0) throw beingWritten(m_target);
    // A journal of an earlier file of this name would be rolled into the new one.
    removeIfThere(m_work + QStringLiteral("-journal"));
}

FileReplacement::~FileReplacement() {
    discard();
}

void FileReplacement::discard() {
    if (m_fd < 0) return;
    removeIfThere(m_work);
    removeIfThere(m_work + QStringLiteral("-journal"));
    ::close(m_fd);
    m_fd = -1;
}

void FileReplacement::write(const char* data, qint64 size) {
    writeAll(m_fd, data, size, QFileInfo(m_target).absolutePath(), m_target);
}

void writeAll(int fd, const char* data, qint64 size, const QString& folder, const QString& file) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw writeError(n < 0 ? errno : ENOSPC, folder, file);
        data += n;
        size -= n;
    }
}

void FileReplacement::commit() {
    putInPlace(m_work, m_target, m_kept, m_mode == CreateNew);
    ::close(m_fd);
    m_fd = -1;
    fileStep();
    syncFolder(QFileInfo(m_target).absolutePath());
}

bool renameNoReplace(const QString& from, const QString& to, const QString& file) {
    const QByteArray src = native(from), dst = native(to);
    const QString folder = QFileInfo(to).absolutePath();
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EEXIST) return false;
    if (errno != EINVAL && errno != ENOSYS) throw writeError(errno, folder, file);
    // File systems without that rename: a second name, then the first one goes.
    if (::link(src.constData(), dst.constData()) == 0) {
        ::unlink(src.constData());
        return true;
    }
    if (errno == EEXIST) return false;
    if (QFileInfo::exists(to)) return false;
    if (::rename(src.constData(), dst.constData()) != 0) throw writeError(errno, folder, file);
    return true;
}

void syncFolder(const QString& folder) {
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // some file systems cannot sync a folder; their renames are then as safe as they get
    ::close(fd);
}

void fileStep() {
    if (stepHook()) stepHook()();
}

namespace testing {
void setFileStepHook(std::function<void()> hook) {
    stepHook() = std::move(hook);
}
}  // namespace testing

}  // namespace mrv
