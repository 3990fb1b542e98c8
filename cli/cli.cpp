#include "cli/cli.h"

#include "store/codelib.h"
#include "store/files.h"
#include "store/paths.h"
#include "store/settings.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>
#include <cstdio>

namespace cli {

Failure failureOf(const engine::Error& err) {
    switch (err.number()) {
        case engine::errFileNotFound:
            return Failure(exitNotFound, err.description());
        case engine::errLocked:
            return Failure(exitInUse, err.description());
        default:
            return Failure(exitFailed, err.description());
    }
}

Failure usage(const QString& command, const QString& message) {
    return Failure(exitUsage,
                   message + QStringLiteral("\n(see: morvane ") + command + QStringLiteral(" --help)"));
}

QString field(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c == u'\t' || c == u'\n' || c == u'\r') c = u' ';
    return out;
}

Output::Output() {
    m_out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
}

void Output::write(const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = m_out.write(bytes.constData() + done, bytes.size() - done);
        // A reader that went away (a pager closed): nothing more to say.
        if (written <= 0) throw Failure(exitFailed, QStringLiteral("Cannot write to standard output."));
        done += written;
    }
}

void Output::line(const QString& text) {
    write((text + u'\n').toUtf8());
}

void Output::json(const QJsonValue& value) {
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    write(document.toJson(QJsonDocument::Indented));
}

bool Output::isTerminal() const {
    return ::isatty(STDOUT_FILENO) == 1;
}

QString Context::libraryPath() const {
    if (!opt.library.isEmpty()) return QFileInfo(opt.library).absoluteFilePath();
    const QString current =
        store::GetSetting(store::instanceAppName(QStringLiteral("\\(Client)")), QStringLiteral("Properties"),
                          QStringLiteral("Current Library"));
    return current.isEmpty() ? store::sampleLibraryPath() : current;
}

std::unique_ptr<engine::Database> Context::openLibrary() {
    const QString path = libraryPath();
    if (!store::PathExists(path))
        throw Failure(exitNotFound, QStringLiteral("Code Library not found: ") + path);
    std::unique_ptr<engine::Database> db;
    try {
        db = engine::openDatabase(path);
    } catch (const engine::Error& err) {
        throw failureOf(err);
    }
    // The same check (and upgrade) as the window's: its messages have been written already.
    if (!store::DBValidateVersion(db.get()))
        throw Failure(exitFailed, QStringLiteral("Not a usable Code Library: ") + path);
    return db;
}

void Context::confirm(const QString& question, const QString& title) {
    if (ui::MsgBox(question, ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2, title) == ui::vbYes) return;
    throw Failure(exitRefused, opt.no ? QStringLiteral("Nothing done: answered No.")
                                      : QStringLiteral("Nothing done: give --yes to answer Yes."));
}

}  // namespace cli
