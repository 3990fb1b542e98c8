#include "store/files.h"

#include "platform/shell.h"
#include "platform/ui.h"
#include "store/error_report.h"
#include "store/paths.h"
#include "store/settings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

namespace store {

namespace {

const QString LF = QStringLiteral("\n");
const QString kTempFilesSection = QStringLiteral("Temp Files");
constexpr int kTempFileKeys = 1000;

// The numbers the old platform gave its file errors.
enum FileErrorNumber {
    errInvalidArgument = 5,
    errFileNotFound = 53,
    errInputPastEnd = 62,
    errPathFileAccess = 75
};

engine::Error fileError(int number, const QString& path, const QFileDevice& file) {
    const QString what = number == errFileNotFound ? QStringLiteral("File not found: ")
                                                   : QStringLiteral("Path/File access error: ");
    return engine::Error(number, what + path + QStringLiteral(" (") + file.errorString() + ')');
}

// A folder of ours: a real directory (not a link), owned by us, closed to everyone else.
bool makePrivateFolder(const QString& folder) {
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
    return (st.st_mode & 07777) == 0700 || ::chmod(native.constData(), 0700) == 0;
}

// NAME_MAX counts bytes; cut the stem, keeping the extension, until the name fits.
QString fitFileName(const QString& name) {
    constexpr int kNameMax = 255;
    if (name.toUtf8().size() <= kNameMax) return name;
    const qsizetype dot = name.lastIndexOf('.');
    QString stem = name, extension;
    if (dot > 0 && name.size() - dot <= 32) {
        stem = name.left(dot);
        extension = name.mid(dot);
    }
    while (!stem.isEmpty() && (stem + extension).toUtf8().size() > kNameMax)
        stem.chop(stem.size() > 1 && stem.back().isLowSurrogate() ? 2 : 1);
    return stem + extension;
}

struct Stamp {
    bool exists = false;
    qint64 modifiedSeconds = 0, modifiedNanoseconds = 0, size = 0;
    bool operator==(const Stamp&) const = default;
};

// Full precision: a program that saves within the second of the extraction still counts as a change.
Stamp stampOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return {true, qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec), qint64(st.st_size)};
}

QString fileTimeText(const QDateTime& time) {
    return QLocale::c().toString(time.toUTC(), QStringLiteral("MM/dd/yy hh:mm:ss"));
}

QUrl targetUrl(const QString& target) {
    const QString text = target.trimmed();
    if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        return QUrl(QStringLiteral("http://") + text);
    if (!text.startsWith('/')) {
        QUrl url(text, QUrl::TolerantMode);
        // One letter before ':' would be a drive, not a scheme.
        if (url.isValid() && url.scheme().size() > 1) {
            if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0)
                url.setPath(url.path().trimmed());  // "mailto: address" is how callers write it
            return url;
        }
    }
    const QFileInfo info(text);
    return QUrl::fromLocalFile(info.isRelative() ? QDir(programFolder()).filePath(text) : text);
}

}  // namespace

// ---- Stored files ------------------------------------------------------------------------------

void BLOBSaveToFile(engine::Field field, const QString& path) {
    try {
        // Truncate: the path may hold a longer extract of the same item from before.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw fileError(errPathFileAccess, path, file);
        const qint64 size = field.FieldSize();
        for (qint64 offset = 0; offset < size;) {
            const QByteArray piece = field.GetChunk(offset, engine::kChunkSize);
            if (piece.isEmpty())
                throw engine::Error(engine::errDamaged,
                                    QStringLiteral("The stored file ends before its size."));
            if (file.write(piece) != piece.size()) throw fileError(errPathFileAccess, path, file);
            offset += piece.size();
        }
        if (!file.flush()) throw fileError(errPathFileAccess, path, file);
    } catch (const engine::Error& error) {
        ReportError(error, QStringLiteral("bCodeLib.BLOBSaveToFile"));
    }
}

bool BlobSaveToField(engine::Field field, const QString& path) {
    if (path.isEmpty()) return false;
    try {
        QFile file(path);
        if (!FileExists(path)) throw fileError(errFileNotFound, path, file);
        if (!file.open(QIODevice::ReadOnly)) throw fileError(errPathFileAccess, path, file);
        const qint64 length = file.size();
        if (length == 0) {
            // An emptied file is a change like any other: store it empty, not the old content.
            field.AppendChunk(QByteArray());
            return true;
        }
        const auto read = [&](qint64 count) {
            const QByteArray piece = file.read(count);
            if (piece.size() != count)
                throw engine::Error(errInputPastEnd, QStringLiteral("Input past end of file: ") + path);
            return piece;
        };
        const qint64 remainder = length % engine::kChunkSize;
        if (remainder > 0) field.AppendChunk(read(remainder));
        for (qint64 block = 0; block < length / engine::kChunkSize; ++block)
            field.AppendChunk(read(engine::kChunkSize));
        return true;
    } catch (const engine::Error& error) {
        ReportError(error, QStringLiteral("bCodeLib.BlobSaveToField"));
        return false;
    }
}

// ---- The temporary folder ----------------------------------------------------------------------

QString tempFolder() {
    const QString system = QDir::tempPath();
    const QString folder = system + QStringLiteral("/morvane-") + QString::number(::geteuid());
    if (makePrivateFolder(folder)) return folder + '/';
    // Someone else holds that name: a private folder of our own for the rest of the process.
    static QHash<QString, QString> fallbacks;
    QString& fallback = fallbacks[system];
    if (fallback.isEmpty() || !makePrivateFolder(fallback)) {
        QTemporaryDir made(system + QStringLiteral("/morvane-XXXXXX"));
        made.setAutoRemove(false);
        fallback = made.isValid() ? made.path() : QString();
    }
    return fallback.isEmpty() ? system + '/' : fallback + '/';
}

QString uniqueTempFileName(const QString& prefix) {
    QTemporaryFile file(tempFolder() + prefix + QStringLiteral("XXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        throw engine::Error(errPathFileAccess,
                            QStringLiteral("Path/File access error: cannot create a file in ") +
                                tempFolder() + QStringLiteral(" (") + file.errorString() + ')');
    return file.fileName();
}

QString safeFileName(const QString& name) {
    QString safe = name;
    safe.remove(QChar(0));
    safe.replace('/', '_');
    if (safe.isEmpty() || safe == QLatin1String(".") || safe == QLatin1String("..")) safe.prepend('_');
    return fitFileName(safe);
}

QString tempItemPath(const QString& name) {
    return tempFolder() + safeFileName(name);
}

namespace {

const QString kExtractionPrefix = QStringLiteral("item-");

// Folders of single extractions: "item-XXXXXX" directly inside the temporary folder.
bool isExtractionFolder(const QString& folder) {
    const QFileInfo info(folder);
    return info.fileName().startsWith(kExtractionPrefix) && QDir(info.absolutePath()) == QDir(tempFolder());
}

}  // namespace

QString ExtractStoredFile(engine::Field field, const QString& name) {
    QTemporaryDir folder(tempFolder() + kExtractionPrefix + QStringLiteral("XXXXXX"));
    if (!folder.isValid()) {
        ReportError(engine::Error(errPathFileAccess, QStringLiteral("Path/File access error: cannot create a "
                                                                    "folder in ") +
                                                         tempFolder()),
                    QStringLiteral("bCodeLib.BLOBSaveToFile"));
        return QString();
    }
    folder.setAutoRemove(false);
    const QString path = folder.path() + '/' + QFileInfo(tempItemPath(name)).fileName();
    RegisterTempFile(path);
    BLOBSaveToFile(field, path);
    const QFileInfo written(path);
    // Null stores no bytes at all: an empty file.
    if (!written.isFile() || written.size() != std::max<qint64>(0, field.FieldSize())) return QString();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

void RegisterTempFile(const QString& path) {
    const QString app = generalAppName();
    const QStringList keys = GetSettingKeys(app, kTempFilesSection);
    const QSet<QString> present(keys.begin(), keys.end());
    for (int i = 1; i <= kTempFileKeys; ++i) {
        const QString key = QString::number(i);
        if (!present.contains(key) || GetSetting(app, kTempFilesSection, key).isEmpty()) {
            SaveSetting(app, kTempFilesSection, key, path);
            return;
        }
    }
    SaveSetting(app, kTempFilesSection, QString::number(kTempFileKeys + 1), path);
}

void DeleteTempFiles() {
    const QString app = generalAppName();
    const QString notFound = QStringLiteral("NOTFOUND");
    // The list lives in a settings file anyone with the user's rights can edit: only what lies in
    // our own folder is deleted (judged by the folder the entry is in, so that neither ".." nor a
    // linked folder leads out; a link inside goes, not what it points to). Other entries are dropped.
    const QString own = QDir(tempFolder()).canonicalPath();
    // Directly in the private folder, or in one of the extraction folders made inside it.
    const auto ours = [&own](const QString& file) {
        const QFileInfo info(file);
        if (!info.isAbsolute() || own.isEmpty()) return false;
        const QString folder = QDir(info.absolutePath()).canonicalPath();
        return folder == own || (isExtractionFolder(folder) && QFileInfo(folder).absolutePath() == own);
    };
    QSet<QString> done;
    for (int i = 1; i <= kTempFileKeys; ++i) {
        const QString key = QString::number(i);
        const QString file = GetSetting(app, kTempFilesSection, key, notFound);
        if (file == notFound) break;
        // Gone or locked: the key goes anyway.
        if (!file.isEmpty() && ours(file)) {
            if (FileExists(file) || QFileInfo(file).isSymLink()) QFile::remove(file);
            if (isExtractionFolder(ParentFolder(file))) QDir().rmdir(ParentFolder(file));
        }
        done.insert(key);
    }
    if (done.isEmpty()) return;
    // Every change rewrites the whole settings file, so take the cheaper way to the same keys: drop
    // them one by one, or drop the section and put back the few that stay (beyond a gap, "1001").
    QList<QPair<QString, QString>> kept;
    for (const QString& key : GetSettingKeys(app, kTempFilesSection))
        if (!done.contains(key)) kept.append({key, GetSetting(app, kTempFilesSection, key)});
    if (kept.size() < done.size()) {
        DeleteSetting(app, kTempFilesSection);
        for (const auto& [key, value] : kept) SaveSetting(app, kTempFilesSection, key, value);
    } else {
        for (const QString& key : done) DeleteSetting(app, kTempFilesSection, key);
    }
}

// ---- Web shortcuts and paths -------------------------------------------------------------------

void WriteWebShortcut(const QString& address, const QString& path) {
    // A line break in the address would start a line of its own in the file.
    const QString url = address.section(QRegularExpression(QStringLiteral("[\r\n]")), 0, 0);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw fileError(errPathFileAccess, path, file);
    const QByteArray text = "[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n";
    if (file.write(text) != text.size() || !file.flush()) throw fileError(errPathFileAccess, path, file);
    file.close();
    QCoreApplication::processEvents();
}

QString ReadWebShortcut(const QString& path) {
    constexpr qint64 kLimit = 32000;
    // Without O_NONBLOCK, opening a pipe waits for a writer that may never come.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return QString();
    struct stat st {};
    QFile file;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(fd);
        return QString();
    }
    const QByteArray head = file.read(kLimit + 1);
    const bool cut = head.size() > kLimit;
    const QList<QByteArray> lines = head.split('\n');
    bool inShortcut = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r')) line.chop(1);
        const QByteArray trimmed = line.trimmed();
        if (trimmed == "[InternetShortcut]") {
            inShortcut = true;
            continue;
        }
        // Shortcuts written by other programs may put other keys before the address.
        if (inShortcut && trimmed.startsWith('[')) return QString();
        if (!inShortcut || line.left(4).toLower() != "url=") continue;
        if (cut && i == lines.size() - 1) {
            ui::MsgBox(QStringLiteral("The web shortcut '") + path +
                           QStringLiteral("' holds an address longer than %1 characters.").arg(kLimit) + LF +
                           LF + QStringLiteral("It is not taken: no web address is that long."),
                       ui::vbOKOnly | ui::vbExclamation | ui::vbMsgBoxSetForeground,
                       QStringLiteral("Web Shortcut"));
            return QString();
        }
        return QString::fromUtf8(line.mid(4));
    }
    return QString();
}

bool IsURL(const QString& text) {
    return text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("www."), Qt::CaseInsensitive);
}

bool IsExecutableFile(const QString& path) {
    static const char* const kExecutableTypes[] = {
        "application/x-executable",
        "application/x-sharedlib",
        "application/x-pie-executable",
        "application/x-shellscript",
        "application/x-desktop",
        "application/x-msdos-program",
        "application/x-ms-dos-executable",
        "application/x-msi",
        "application/x-bat",
        "application/vnd.microsoft.portable-executable",
        "application/x-ms-shortcut",
        "application/x-java-archive",
        "application/x-perl",
        "text/x-python",
        "text/x-python3",
        "application/x-ruby",
        "application/javascript",
        "application/x-php",
        "application/x-csh",
        "text/x-tcl",
    };
    const QFileInfo info(path);
    const QMimeDatabase mimes;
    const auto executable = [](const QMimeType& type) {
        for (const char* name : kExecutableTypes)
            if (type.inherits(QLatin1String(name))) return true;
        return false;
    };
    static const QStringList kRunnable{QStringLiteral("exe"),     QStringLiteral("com"),
                                       QStringLiteral("bat"),     QStringLiteral("cmd"),
                                       QStringLiteral("desktop"), QStringLiteral("sh")};
    if (kRunnable.contains(info.suffix(), Qt::CaseInsensitive) ||
        executable(mimes.mimeTypeForFile(path, QMimeDatabase::MatchExtension)))
        return true;
    // The name can hide what the bytes are.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(4096);
    return head.startsWith("#!") || executable(mimes.mimeTypeForData(head));
}

bool FileExists(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

bool PathExists(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString ParentFolder(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QString() : path.left(slash);
}

QString FileNamePart(const QString& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

FileTimes GetFileTimes(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !(info.exists() || info.isSymLink()))
        return {QStringLiteral("Error"), QStringLiteral("Error"), false};
    FileTimes times;
    const QDateTime born = info.birthTime();
    times.creationIsBirthTime = born.isValid();
    times.creation = fileTimeText(born.isValid() ? born : info.metadataChangeTime());
    times.lastWrite = fileTimeText(info.lastModified());
    return times;
}

// ---- Shell services ----------------------------------------------------------------------------

void ShellOpen(const QString& target) {
    shell::openUrl(targetUrl(target));
}

void ShowFileProperties(const QString& path, QWidget* owner) {
    shell::showProperties(path, owner);
}

void ShellExecAndWait(const QString& path, QWidget* owner, const QString& program) {
    // The old platform could lose track of the started process; QProcess always knows its child, so
    // the "upgrade your version" refusal has no counterpart here.
    if (shell::openAndWait(path, program, owner)) return;
    ui::MsgBox(QStringLiteral("Unable to open this file: ") + LF + QStringLiteral(" ") + path,
               ui::vbOKOnly | ui::vbExclamation | ui::vbMsgBoxSetForeground,
               QStringLiteral("Error Opening File"));
}

bool OpenFileAndWait(const QString& path, const QString& program, QWidget* owner) {
    const Stamp before = stampOf(path);
    ShellExecAndWait(path, owner, program);
    const Stamp after = stampOf(path);
    return before.exists && after.exists && !(after == before);
}

void ShellAndWait(const QString& commandLine) {
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty())
        throw engine::Error(errInvalidArgument, QStringLiteral("Invalid procedure call or argument"));
    const QString program = arguments.takeFirst();
    ShellAndWait(program, arguments);
}

void ShellAndWait(const QString& program, const QStringList& arguments) {
    if (!shell::runAndWait(program, arguments).started)
        throw engine::Error(errFileNotFound, QStringLiteral("File not found: ") + program);
}

bool ShellFileCopy(const QString& source, const QString& destination, QWidget* owner) {
    return shell::copyFile(source, destination, owner);
}

}  // namespace store
