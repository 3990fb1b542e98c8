#include "platform/shell.h"

#include "base/replace_file.h"
#include "platform/ui.h"
#include "platform/ui_backend.h"

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace shell {

namespace {

const QString LF = QStringLiteral("\n");

struct State {
    QList<QUrl> openedUrls;
    int handOverLimit = 2000;
};

State& state() {
    static State s;
    return s;
}

// ---- Desktop entries and default programs ----------------------------------------------------

// The value escapes of desktop entry files (\s \n \t \r \\); quoting inside Exec comes later.
QString unescapeValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != '\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        const qsizetype code = QStringLiteral("sntr\\").indexOf(next);
        if (code < 0)
            out += QString(c) + next;
        else
            out += QStringLiteral(" \n\t\r\\")[code];
    }
    return out;
}

// The keys of one [group] of an INI-like file (desktop entries, mimeapps.list). QSettings would
// mangle the ';' lists and the '/' in MIME type keys.
QMap<QString, QString> readGroup(const QString& file, const QString& group) {
    QMap<QString, QString> keys;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) return keys;
    bool inGroup = false;
    while (!in.atEnd()) {
        const QString line = QString::fromUtf8(in.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            inGroup = line == '[' + group + ']';
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (inGroup && eq > 0 && !keys.contains(line.left(eq).trimmed()))
            keys.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return keys;
}

// The desktop file ids listed for a MIME type in the mimeapps.list files, in the order the XDG
// MIME applications specification gives them: config folders before data folders, each with the
// desktop's own list first.
QStringList mimeappsCandidates(const QString& mime) {
    QStringList prefixes;
    for (const QString& desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(':', Qt::SkipEmptyParts))
        prefixes << desktop.toLower() + '-';
    prefixes << QString();
    QStringList files;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        for (const QString& prefix : prefixes) files << dir + '/' + prefix + QStringLiteral("mimeapps.list");
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        for (const QString& prefix : prefixes)
            files << dir + QStringLiteral("/applications/") + prefix + QStringLiteral("mimeapps.list");

    QStringList ids;
    for (const char* group : {"Default Applications", "Added Associations"})
        for (const QString& file : files)
            for (const QString& id :
                 readGroup(file, QString::fromLatin1(group)).value(mime).split(';', Qt::SkipEmptyParts))
                if (!ids.contains(id.trimmed())) ids << id.trimmed();
    return ids;
}

// Runs a helper for its first line of output, with the interface live and a time limit.
QString firstOutputLine(const QString& program, const QStringList& arguments, int limitMs) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    process.start(program, arguments);
    if (process.state() != QProcess::NotRunning) loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput()).section('\n', 0, 0).trimmed();
}

QStringList defaultDesktopIds(const QString& mime) {
    QStringList ids;
    // xdg-mime knows each desktop's own way of keeping defaults; our reading covers its absence.
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (!xdgMime.isEmpty()) {
        const QString id =
            firstOutputLine(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), mime}, 3000);
        if (!id.isEmpty()) ids << id;
    }
    for (const QString& id : mimeappsCandidates(mime))
        if (!ids.contains(id)) ids << id;
    return ids;
}

struct Launch {
    QString program;
    QStringList arguments;
    bool starter = false;  // a program that hands the file on and ends at once by design
};

QList<Launch> documentLaunches(const QString& path) {
    QList<Launch> launches;
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(path);
    QStringList mimes{mime.name()};
    mimes << mime.allAncestors();
    for (const QString& type : mimes) {
        for (const QString& id : defaultDesktopIds(type)) {
            const DesktopEntry entry = findDesktopEntry(id);
            // A terminal program needs a terminal to run in: the starters know which one.
            if (entry.exec.isEmpty() || entry.terminal) continue;
            QStringList command = desktopExecArguments(entry, path);
            if (command.isEmpty()) continue;
            const QString program = command.takeFirst();
            launches << Launch{program, command, false};
            break;
        }
        if (!launches.isEmpty()) break;
    }
    for (const QString& starter : {QStringLiteral("gio"), QStringLiteral("xdg-open")}) {
        const QString program = QStandardPaths::findExecutable(starter);
        if (program.isEmpty()) continue;
        launches << Launch{
            program,
            starter == QLatin1String("gio") ? QStringList{QStringLiteral("open"), path} : QStringList{path},
            true};
    }
    return launches;
}

// ---- Copying -----------------------------------------------------------------------------------

void copyFailed(const QString& source, const QString& target, const QString& reason) {
    ui::MsgBox(QStringLiteral("Cannot copy '") + source + QStringLiteral("' to '") + target +
                   QStringLiteral("':") + LF + LF + reason,
               ui::vbOKOnly | ui::vbExclamation | ui::vbMsgBoxSetForeground,
               QStringLiteral("Error Copying File"));
}

}  // namespace

void openUrl(const QUrl& url) {
    if (ui::testing::isRecording()) {
        state().openedUrls << url;
        return;
    }
    QDesktopServices::openUrl(url);
}

void showProperties(const QString& path, QWidget* owner) {
    ui::backend().showFileProperties(path, owner);
}

ProcessOutcome runAndWait(const QString& program, const QStringList& arguments,
                          const QString& workingFolder) {
    ProcessOutcome outcome;
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    if (!workingFolder.isEmpty()) process->setWorkingDirectory(workingFolder);
    // Nothing is read from the program: pipes left unread would stall it once full.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);

    bool failed = false;
    QEventLoop loop;
    QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(process, &QProcess::errorOccurred, &loop,
                     [&failed, &loop](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         failed = true;
                         loop.quit();
                     });
    QElapsedTimer clock;
    clock.start();
    process->start();
    if (!failed && process->state() != QProcess::NotRunning) loop.exec();
    outcome.runMilliseconds = clock.elapsed();

    if (failed || process->error() == QProcess::FailedToStart) {
        delete process;
        return outcome;
    }
    outcome.started = true;
    if (process->state() != QProcess::NotRunning) {
        // Our loop was ended from outside: deleting the process object would kill the program.
        QObject::disconnect(process, nullptr, &loop, nullptr);
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return outcome;
    }
    outcome.normalExit = process->exitStatus() == QProcess::NormalExit;
    outcome.exitCode = process->exitCode();
    delete process;
    return outcome;
}

bool openAndWait(const QString& path, const QString& program, QWidget* owner) {
    const QList<Launch> launches =
        program.isEmpty() ? documentLaunches(path) : QList<Launch>{Launch{program, {path}, false}};
    for (const Launch& launch : launches) {
        const ProcessOutcome outcome = runAndWait(launch.program, launch.arguments);
        if (!outcome.started) continue;  // a stale desktop entry: try the next way
        const bool succeeded = outcome.normalExit && outcome.exitCode == 0;
        if (launch.starter) {
            if (!succeeded) continue;
            waitForFile(path, owner);
            return true;
        }
        if (succeeded && outcome.runMilliseconds < state().handOverLimit) waitForFile(path, owner);
        return true;
    }
    return false;
}

void waitForFile(const QString& path, QWidget* owner) {
    const QString name = QFileInfo(path).fileName();
    ui::WaitForUser(owner, QStringLiteral("Waiting for ") + name,
                    QStringLiteral("'") + name + QStringLiteral("' is open in another program.") + LF + LF +
                        QStringLiteral("When you have finished with it, save it there and click Done."));
}

bool copyFile(const QString& source, const QString& destination, QWidget* owner, bool askBeforeReplacing) {
    QString target = destination;
    if (QFileInfo(destination).isDir()) target = QDir(destination).filePath(QFileInfo(source).fileName());

    const QFileInfo sourceInfo(source);
    QFile in(source);
    if (!sourceInfo.isFile()) {
        copyFailed(source, target,
                   sourceInfo.exists() ? QStringLiteral("The source is not a file.")
                                       : QStringLiteral("The source file does not exist."));
        return false;
    }
    if (!in.open(QIODevice::ReadOnly)) {
        copyFailed(source, target, in.errorString());
        return false;
    }
    const QFileInfo targetInfo(target);
    if (targetInfo.exists()) {
        if (targetInfo.canonicalFilePath() == sourceInfo.canonicalFilePath()) {
            copyFailed(source, target, QStringLiteral("The source and the destination are the same file."));
            return false;
        }
        if (askBeforeReplacing) {
            const int answer =
                ui::MsgBox(QStringLiteral("The file '") + target + QStringLiteral("' already exists.") + LF +
                               LF + QStringLiteral("Do you want to replace it?"),
                           ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2 | ui::vbMsgBoxSetForeground,
                           QStringLiteral("Confirm File Replace"));
            if (answer != ui::vbYes) return false;
        }
    }

    const qint64 total = in.size();
    std::unique_ptr<ui::Progress> progress =
        ui::ShowProgress(owner, QStringLiteral("Copying..."),
                         QStringLiteral("Copying '") + sourceInfo.fileName() + QStringLiteral("'..."));
    const auto finish = [&progress](bool ok) {
        progress.reset();
        return ok;
    };
    try {
        // The copy takes the source's mode, as a copy made by hand would.
        mrv::FileReplacement out(target, mrv::FileReplacement::Replace, source);
        constexpr qint64 kBlock = 1 << 20;
        qint64 copied = 0;
        QByteArray block;
        // The kernel copies without passing the bytes through this process; where it cannot (another
        // file system on an old kernel, a special file), the bytes are read and written.
        bool inKernel = true;
        while (copied < total) {
            qint64 n = 0;
            if (inKernel) {
                n = ::copy_file_range(in.handle(), nullptr, out.handle(), nullptr,
                                      size_t(qMin(16 * kBlock, total - copied)), 0);
                if (n < 0 && copied == 0 &&
                    (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                    inKernel = false;
                    continue;
                }
                if (n < 0) throw mrv::writeError(errno, QFileInfo(target).absolutePath(), target);
            } else {
                block = in.read(qMin(kBlock, total - copied));
                n = block.size();
                if (n > 0) out.write(block.constData(), n);
            }
            if (n <= 0) {
                copyFailed(source, target,
                           in.errorString().isEmpty() || inKernel
                               ? QStringLiteral("The source file got shorter.")
                               : in.errorString());
                return finish(false);
            }
            copied += n;
            if (!progress->setValue(int(copied * 1000 / total))) return finish(false);
        }
        out.commit();
    } catch (const mrv::Error& err) {
        copyFailed(source, target, err.description());
        return finish(false);
    }
    return finish(true);
}

DesktopEntry findDesktopEntry(const QString& desktopId) {
    if (desktopId.isEmpty() || desktopId.contains('/')) return {};
    // "vendor-app.desktop" may also live at vendor/app.desktop.
    QStringList relative{desktopId};
    for (qsizetype dash = desktopId.indexOf('-'); dash > 0; dash = desktopId.indexOf('-', dash + 1)) {
        QString nested = desktopId;
        nested[dash] = '/';
        relative << nested;
    }
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        for (const QString& name : relative) {
            const QString file = dir + QStringLiteral("/applications/") + name;
            if (!QFileInfo(file).isFile()) continue;
            const QMap<QString, QString> keys = readGroup(file, QStringLiteral("Desktop Entry"));
            // A hidden entry is one the user deleted: it hides those of lower folders too.
            if (keys.value(QStringLiteral("Hidden")) == QLatin1String("true")) return {};
            DesktopEntry entry;
            entry.path = file;
            entry.name = unescapeValue(keys.value(QStringLiteral("Name")));
            entry.icon = unescapeValue(keys.value(QStringLiteral("Icon")));
            entry.exec = unescapeValue(keys.value(QStringLiteral("Exec")));
            entry.terminal = keys.value(QStringLiteral("Terminal")) == QLatin1String("true");
            return entry;
        }
    }
    return {};
}

QStringList desktopExecArguments(const DesktopEntry& entry, const QString& file) {
    // Split by the Exec quoting rules: double quotes group, and inside them a backslash escapes
    // '"', '`', '$' and '\'.
    QStringList tokens;
    QString current;
    bool inQuotes = false, inToken = false;
    const QString& exec = entry.exec;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == '\\' && i + 1 < exec.size() && QStringLiteral("\"`$\\").contains(exec[i + 1])) {
                current += exec[++i];
            } else if (c == '"') {
                inQuotes = false;
            } else {
                current += c;
            }
        } else if (c == ' ' || c == '\t') {
            if (inToken) tokens << current;
            current.clear();
            inToken = false;
        } else if (c == '"') {
            inQuotes = inToken = true;
        } else {
            current += c;
            inToken = true;
        }
    }
    if (inQuotes) return {};
    if (inToken) tokens << current;

    QStringList arguments;
    bool fileGiven = false;
    for (const QString& token : tokens) {
        if (token == QLatin1String("%f") || token == QLatin1String("%F") || token == QLatin1String("%u") ||
            token == QLatin1String("%U")) {
            arguments << file;
            fileGiven = true;
            continue;
        }
        if (token == QLatin1String("%i")) {
            if (!entry.icon.isEmpty()) arguments << QStringLiteral("--icon") << entry.icon;
            continue;
        }
        QString expanded;
        bool onlyCodes = true;
        for (qsizetype i = 0; i < token.size(); ++i) {
            if (token[i] != '%' || i + 1 == token.size()) {
                expanded += token[i];
                onlyCodes = false;
                continue;
            }
            switch (token[++i].unicode()) {
                case '%':
                    expanded += '%';
                    onlyCodes = false;
                    break;
                case 'f':
                case 'F':
                case 'u':
                case 'U':
                    expanded += file;
                    fileGiven = true;
                    break;
                case 'c':
                    expanded += entry.name;
                    break;
                case 'k':
                    expanded += entry.path;
                    break;
                default:
                    break;  // deprecated and unknown codes are dropped
            }
        }
        if (!(onlyCodes && expanded.isEmpty())) arguments << expanded;
    }
    if (arguments.isEmpty()) return {};
    if (!fileGiven) arguments << file;
    return arguments;
}

namespace testing {

const QList<QUrl>& openedUrls() {
    return state().openedUrls;
}
void clearOpenedUrls() {
    state().openedUrls.clear();
}
void setHandOverLimit(int milliseconds) {
    state().handOverLimit = milliseconds;
}
int handOverLimit() {
    return state().handOverLimit;
}
}  // namespace testing

}  // namespace shell
