#include "store/library_files.h"

#include "base/replace_file.h"
#include "platform/shell.h"
#include "store/codelib.h"
#include "store/engine/replication.h"
#include "store/error_report.h"
#include "store/replicas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace store {

namespace {

std::function<void(const char*)>& stepHook() {
    static std::function<void(const char*)> hook;
    return hook;
}

bool statOf(const QString& path, struct stat& out) {
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &out) == 0;
}

// A path that does not exist yet, spelled the one way: its folder's real path and its name.
QString settledPath(const QString& path) {
    const QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + '/' + info.fileName();
}

}  // namespace

bool sameFile(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    const bool hasA = statOf(a, sa), hasB = statOf(b, sb);
    if (hasA && hasB) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (hasA || hasB || a.isEmpty() || b.isEmpty()) return false;
    return settledPath(a) == settledPath(b);
}

std::unique_ptr<engine::Database> lockForReplacement(const QString& path) {
    step("lock");
    if (!QFileInfo::exists(path)) return nullptr;
    try {
        return engine::openDatabase(path, true);
    } catch (const engine::Error& err) {
        if (err.number() == engine::errNotADatabase || err.number() == engine::errDamaged) return nullptr;
        if (err.number() == engine::errReadOnly)
            throw engine::Error(engine::errCantOpen,
                                QStringLiteral("The file '") + path + QStringLiteral("' is read-only."));
        throw;
    }
}

QString besideName(const QString& target) {
    const QFileInfo info(target);
    const QString suffix = info.suffix().isEmpty() ? QString() : '.' + info.suffix();
    for (;;) {
        const QString name = info.absolutePath() + QStringLiteral("/.") + info.completeBaseName() +
                             QStringLiteral(".part-") +
                             QString::number(QRandomGenerator::global()->generate(), 36) + suffix;
        if (!QFileInfo::exists(name)) return name;
    }
}

void moveIntoPlace(const QString& work, const QString& target) {
    step("rename");
    mrv::replaceFileWith(work, target);
    step("renamed");
}

std::unique_ptr<engine::Database> holdForReading(const QString& path) {
    try {
        std::unique_ptr<engine::Database> reading = engine::openDatabase(path, false, true);
        if (sqlite3_exec(reading->handle(), "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr,
                         nullptr) == SQLITE_OK)
            return reading;
    } catch (const engine::Error&) {
        // Not a library (an archive, a damaged file): read as it is; a missing one is told by the reader.
    }
    return nullptr;
}

bool copyLibraryFile(const QString& source, const QString& target, QWidget* owner) {
    const std::unique_ptr<engine::Database> held = lockForReplacement(target);
    step("copy");
    const std::unique_ptr<engine::Database> reading = holdForReading(source);
    const bool copied = shell::copyFile(source, target, owner, false);
    step("copied");
    return copied;
}

bool replaceWithReplica(const QString& source, const QString& target, store::StatusTarget* document) {
    const QString work = besideName(QFileInfo(target).absoluteFilePath());
    bool made = false;
    store::MakeReplica(source, work, 0, made, document);
    if (made) {
        try {
            moveIntoPlace(work, target);
        } catch (const engine::Error& err) {
            made = false;
            store::ReportError(err, QStringLiteral("MRVDocument.MakeReplica"), document);
        }
    }
    if (!made) QFile::remove(work);
    return made;
}

void createGroupLibrary(const QString& source, const QString& target, const QString& guid,
                        const QDateTime& created, const QString& groupName) {
    const QString absoluteTarget = QFileInfo(target).absoluteFilePath();
    const QString work = besideName(absoluteTarget);
    const QString emptied = besideName(absoluteTarget);
    const auto removeWork = [&] {
        for (const QString& file : {work, emptied}) {
            QFile::remove(file);
            QFile::remove(file + QStringLiteral("-journal"));
        }
    };
    try {
        step("compact");
        engine::CompactDatabase(source, work, engine::dbVersion30);
        {
            const std::unique_ptr<engine::Database> db = engine::openDatabase(work);
            step("empty");
            db->Execute(QStringLiteral("DELETE FROM [Procedure]"));
            db->Execute(QStringLiteral("DELETE FROM [Category]"));
            step("new set");
            engine::StartNewReplicaSet(*db);
            step("stamp");
            db->Execute(QStringLiteral("UPDATE System SET GroupGUID = '") + guid + QStringLiteral("', ") +
                        QStringLiteral("CreatedDate = #") +
                        created.toString(QStringLiteral("MM/dd/yy hh:mm:ss")) +
                        QStringLiteral("#, GroupName = '") + SQLQuote(groupName) + QStringLiteral("'"));
            db->Close();
        }
        // Compacted again, so the new library does not keep the room its rows took.
        step("compact empty");
        engine::CompactDatabase(work, emptied, engine::dbVersion30);
        QFile::remove(work);
        moveIntoPlace(emptied, absoluteTarget);
    } catch (...) {
        removeWork();
        throw;
    }
}

QString removableMediaFolder() {
    const QString user = qEnvironmentVariable("USER");
    const QString media = QStringLiteral("/media/") + user;
    if (!user.isEmpty() && QFileInfo(media).isDir()) return media + '/';
    return QDir::homePath() + '/';
}

void setStepHook(std::function<void(const char* step)> hook) {
    stepHook() = std::move(hook);
}

void step(const char* name) {
    if (stepHook()) stepHook()(name);
}

}  // namespace store
