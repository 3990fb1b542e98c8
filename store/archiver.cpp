#include "store/archiver.h"

#include "store/engine/engine.h"
#include "store/library_files.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

namespace store {

namespace {

// The shortest archive or library the archiver can have made on success.
constexpr qint64 kShortest = 23;

struct Outcome {
    bool started = false;
    int exitCode = -1;
    QByteArray output;
    QString lastMessage;
};

// Runs the archiver and waits with the interface live. Its own process group and session: no
// terminal to ask a question on (unzip asks for passwords on the terminal, not on its input).
Outcome runArchiver(const QString& program, const QStringList& arguments) {
    Outcome outcome;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier([] { ::setsid(); });
    bool failed = false;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        failed = true;
        loop.quit();
    });
    process.start();
    if (!failed && process.state() != QProcess::NotRunning) loop.exec();
    if (failed || process.error() == QProcess::FailedToStart) return outcome;
    outcome.started = true;
    if (process.state() != QProcess::NotRunning) {
        // The wait was ended from outside (the program quits): the result cannot be trusted.
        process.kill();
        process.waitForFinished();
        return outcome;
    }
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.output = process.readAllStandardOutput();
    const QStringList messages =
        QString::fromLocal8Bit(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    if (!messages.isEmpty()) outcome.lastMessage = messages.last().trimmed();
    return outcome;
}

engine::Error missingProgram(const QString& name) {
    return engine::Error(engine::errFileNotFound,
                         QStringLiteral("The program '") + name +
                             QStringLiteral("' was not found. Install the '") + name +
                             QStringLiteral("' package to pack and unpack Code Libraries."));
}

// The result of a run that must have ended with status 0.
void requireSuccess(const Outcome& outcome, const QString& name, const QString& doing) {
    if (!outcome.started) throw missingProgram(name);
    if (outcome.exitCode == 0) return;
    QString text = QStringLiteral("'") + name + QStringLiteral("' failed while ") + doing;
    text += outcome.exitCode < 0 ? QStringLiteral(" (it was stopped)")
                                 : QStringLiteral(" (exit status %1)").arg(outcome.exitCode);
    if (!outcome.lastMessage.isEmpty()) text += QStringLiteral(": ") + outcome.lastMessage;
    throw engine::Error(engine::errEngine, text);
}

// unzip takes member names as patterns: each character that would match others stands in brackets,
// and so does a leading "-", which would read as an option.
QString literalPattern(const QString& name) {
    QString pattern;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c == '*' || c == '?' || c == '[' || (i == 0 && c == '-'))
            pattern += '[' + QString(c) + ']';
        else
            pattern += c;
    }
    return pattern;
}

QString lastPart(const QString& member) {
    return member.section('/', -1);
}

}  // namespace

QString zipProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("zip"));
}

QString unzipProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("unzip"));
}

QString compressionSwitch(int index) {
    static const char* const switches[] = {"-9", "-6", "-3", "-1", "-0"};
    return QString::fromLatin1(index >= 0 && index < 5 ? switches[index] : switches[1]);
}

void packLibrary(const QString& file, const QString& archive, int compressionIndex) {
    const QString zip = zipProgram();
    if (zip.isEmpty()) throw missingProgram(QStringLiteral("zip"));
    const QFileInfo source(file);
    if (!source.isFile())
        throw engine::Error(engine::errFileNotFound,
                            QStringLiteral("Could not find the file '") + file + QStringLiteral("'."));
    // A fresh name each run, so neither an earlier archive nor a half-made one can be taken for it.
    const QString work = besideName(QFileInfo(archive).absoluteFilePath());
    try {
        step("pack");
        const std::unique_ptr<engine::Database> reading = holdForReading(file);
        const Outcome outcome =
            runArchiver(zip, {QStringLiteral("-q"), QStringLiteral("-j"), compressionSwitch(compressionIndex),
                              work, source.absoluteFilePath()});
        requireSuccess(outcome, QStringLiteral("zip"), QStringLiteral("packing ") + file);
        if (QFileInfo(work).size() < kShortest)
            throw engine::Error(engine::errEngine, QStringLiteral("'zip' made no archive of ") + file);
        step("packed");
        moveIntoPlace(work, archive);
    } catch (...) {
        QFile::remove(work);
        throw;
    }
}

QString libraryMember(const QString& archive, const QString& libraryName) {
    const QString unzip = unzipProgram();
    if (unzip.isEmpty()) throw missingProgram(QStringLiteral("unzip"));
    const Outcome outcome =
        runArchiver(unzip, {QStringLiteral("-Z1"), QFileInfo(archive).absoluteFilePath()});
    requireSuccess(outcome, QStringLiteral("unzip"), QStringLiteral("reading ") + archive);
    QStringList libraries;
    for (const QString& member : QString::fromLocal8Bit(outcome.output).split('\n', Qt::SkipEmptyParts)) {
        if (member.endsWith('/')) continue;
        if (lastPart(member).compare(libraryName, Qt::CaseInsensitive) == 0) return member;
        if (member.endsWith(QStringLiteral(".mdb"), Qt::CaseInsensitive)) libraries << member;
    }
    return libraries.size() == 1 ? libraries.first() : QString();
}

void unpackLibrary(const QString& archive, const QString& target) {
    const QString unzip = unzipProgram();
    if (unzip.isEmpty()) throw missingProgram(QStringLiteral("unzip"));
    const QFileInfo targetInfo(target);
    step("list");
    const QString member = libraryMember(archive, targetInfo.fileName());
    if (member.isEmpty())
        throw engine::Error(engine::errFileNotFound, QStringLiteral("The archive '") + archive +
                                                         QStringLiteral("' holds no Code Library named '") +
                                                         targetInfo.fileName() + QStringLiteral("'."));
    // Mode 0700, beside the target: nobody else reads it, and the move is one rename.
    QTemporaryDir privateFolder(targetInfo.absolutePath() + QStringLiteral("/.mrv-unzip-XXXXXX"));
    if (!privateFolder.isValid())
        throw engine::Error(engine::errDiskIO, QStringLiteral("Cannot unpack into ") +
                                                   targetInfo.absolutePath() + QStringLiteral(" (") +
                                                   privateFolder.errorString() + QStringLiteral(")"));
    step("unpack");
    // -j: the member's folders are dropped, so "../" leads nowhere; -P "": a protected member fails
    // instead of asking for a password.
    const Outcome outcome =
        runArchiver(unzip, {QStringLiteral("-qq"), QStringLiteral("-j"), QStringLiteral("-o"),
                            QStringLiteral("-P"), QString(), QStringLiteral("-d"), privateFolder.path(),
                            QFileInfo(archive).absoluteFilePath(), literalPattern(member)});
    requireSuccess(outcome, QStringLiteral("unzip"), QStringLiteral("unpacking ") + archive);
    const QString unpacked = privateFolder.filePath(lastPart(member));
    const QFileInfo info(unpacked);
    if (info.isSymLink() || !info.isFile() || info.size() < kShortest)
        throw engine::Error(engine::errEngine,
                            QStringLiteral("'unzip' unpacked no Code Library from ") + archive);
    QFile::setPermissions(unpacked,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    step("unpacked");
    const std::unique_ptr<engine::Database> held = lockForReplacement(target);
    moveIntoPlace(unpacked, target);
}

}  // namespace store
