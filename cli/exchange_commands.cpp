// import and export: other snippet collections into the library in one transaction, and the library
// out as a folder tree or a snippet file, written beside its place and moved in when complete.

#include "cli/catalog.h"
#include "cli/cli.h"
#include "cli/collections.h"
#include "store/files.h"
#include "store/library_files.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonObject>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>

namespace cli {

namespace {

enum class Format { VsCode, Pet, Folder };

Format formatOf(const Context& c) {
    const QString name = c.opt.arguments.value(0).toLower();
    if (name == QLatin1String("vscode")) return Format::VsCode;
    if (name == QLatin1String("pet")) return Format::Pet;
    if (name == QLatin1String("folder")) return Format::Folder;
    throw usage(c.opt.command,
                QStringLiteral("FORMAT is vscode, pet or folder, not '") + c.opt.arguments.value(0) + u'\'');
}

void needFormatAndPath(const Context& c) {
    if (c.opt.arguments.size() != 2) throw usage(c.opt.command, QStringLiteral("Give FORMAT and PATH."));
}

struct Existing {
    qint64 key;
    QString type;
};

}  // namespace

void runImport(Context& c) {
    needFormatAndPath(c);
    const Format format = formatOf(c);
    const QString path = c.opt.arguments.at(1);
    // Everything is read and checked before the library is touched.
    const Collection collection = format == Format::VsCode ? readVsCode(path)
                                  : format == Format::Pet  ? readPet(path)
                                                           : readFolder(path);
    QString target = c.opt.category;
    if (target.isEmpty())
        target = format == Format::VsCode ? QStringLiteral("VS Code Snippets")
                 : format == Format::Pet
                     ? QStringLiteral("pet")
                     : QFileInfo(QDir::cleanPath(QFileInfo(path).absoluteFilePath())).fileName();
    const QStringList targetParts = pathParts(target, c.opt.command);

    auto db = c.openLibrary();
    int added = 0, replaced = 0, duplicates = 0, categoriesMade = 0;
    try {
        Transaction transaction(*db);
        Catalog catalog(*db);
        const qint64 root = catalog.make(targetParts, 0, &categoriesMade);
        QHash<QString, qint64> categoryKeys;  // by the path below the target
        const auto categoryKey = [&](const QStringList& parts) {
            const QString joined = parts.join(u'/');
            auto it = categoryKeys.constFind(joined);
            if (it != categoryKeys.cend()) return *it;
            return categoryKeys[joined] = catalog.make(parts, root, &categoriesMade);
        };
        for (const QStringList& parts : collection.categories) categoryKey(parts);
        // The names already in each category, the items of this import among them.
        QHash<qint64, QHash<QString, Existing>> names;
        const auto namesIn = [&](qint64 catKey) -> QHash<QString, Existing>& {
            auto it = names.find(catKey);
            if (it != names.end()) return *it;
            QHash<QString, Existing>& found = names[catKey];
            auto rs = db->OpenRecordset(
                QStringLiteral("SELECT ProcKey, Name, Type FROM [Procedure] WHERE CatKey = ") +
                    QString::number(catKey),
                engine::dbOpenSnapshot, engine::dbReadOnly);
            for (; !rs->eof(); rs->MoveNext())
                found.insert(rs->Fields(1).text().toLower(),
                             {rs->Fields(0).Value().toLongLong(), rs->Fields(2).text()});
            return found;
        };
        ItemAdder adder(*db);
        QSet<qint64> imported;
        for (const Snippet& snippet : collection.snippets) {
            const qint64 catKey = categoryKey(snippet.category);
            QHash<QString, Existing>& taken = namesIn(catKey);
            const QString name = snippet.item.name.toLower();
            const auto it = taken.constFind(name);
            if (it != taken.cend() && c.opt.replace && !imported.contains(it->key) &&
                it->type == snippet.item.type) {
                updateItem(*db, it->key, snippet.item);
                imported.insert(it->key);
                ++replaced;
                continue;
            }
            if (it != taken.cend()) ++duplicates;
            const qint64 key = adder.add(catKey, snippet.item);
            imported.insert(key);
            taken.insert(name, {key, snippet.item.type});
            ++added;
        }
        transaction.commit();
    } catch (const engine::Error& err) {
        const Failure failure = failureOf(err);
        throw Failure(failure.status(), failure.message() + QStringLiteral("\nNothing was imported."));
    } catch (const Failure& failure) {
        throw Failure(failure.status(), failure.message() + QStringLiteral("\nNothing was imported."));
    }
    for (const QString& note : collection.notes) ui::MsgBox(note);
    if (duplicates > 0)
        ui::MsgBox(
            QStringLiteral("%1 of the items took a name already taken in their category; both are kept "
                           "(--replace writes over an item of the same name instead).")
                .arg(duplicates));
    if (c.opt.json) {
        c.out.json(QJsonObject{{QStringLiteral("category"), targetParts.join(u'/')},
                               {QStringLiteral("added"), added},
                               {QStringLiteral("replaced"), replaced},
                               {QStringLiteral("duplicates"), duplicates},
                               {QStringLiteral("categoriesMade"), categoriesMade}});
        return;
    }
    c.out.line(QStringLiteral("Imported %1 items into '%2' (%3 replaced, %4 categories made).")
                   .arg(added + replaced)
                   .arg(targetParts.join(u'/'))
                   .arg(replaced)
                   .arg(categoriesMade));
}

void runExport(Context& c) {
    needFormatAndPath(c);
    const Format format = formatOf(c);
    const QString target = QFileInfo(c.opt.arguments.at(1)).absoluteFilePath();
    auto db = c.openLibrary();
    const Catalog catalog(*db);
    qint64 category = 0;
    QList<qint64> keys;
    if (!c.opt.category.isEmpty()) {
        category = catalog.one(c.opt.category).key;
        keys = catalog.subtree(category);
    }
    int written = 0, skipped = 0;
    try {
        if (format == Format::Folder) {
            const QFileInfo info(target);
            if (info.exists() &&
                (!info.isDir() || !QDir(target).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                        QDir::NoDotAndDotDot)))
                throw Failure(
                    exitFailed,
                    QStringLiteral("'") + target +
                        QStringLiteral("' is there already and not an empty folder: give a new one."));
            if (!QDir().mkpath(info.absolutePath()))
                throw Failure(exitFailed, QStringLiteral("Cannot make the folder ") + info.absolutePath());
            // Written beside its place and moved in whole: a failure leaves nothing half-written.
            QTemporaryDir work(store::besideName(target));
            if (!work.isValid())
                throw Failure(exitFailed, QStringLiteral("Cannot write in ") + info.absolutePath());
            written = writeFolder(*db, catalog, category, work.path());
            if (info.exists()) QDir().rmdir(target);
            store::moveIntoPlace(work.path(), target);
            work.setAutoRemove(false);
        } else {
            const QByteArray text = format == Format::VsCode ? vsCodeSnippets(*db, catalog, keys, skipped)
                                                             : petSnippets(*db, catalog, keys, skipped);
            written = 1;
            QSaveFile out(target);
            if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit())
                throw Failure(exitFailed, QStringLiteral("Cannot write '") + target + QStringLiteral("': ") +
                                              out.errorString());
        }
    } catch (const engine::Error& err) {
        throw failureOf(err);
    }
    if (skipped > 0)
        ui::MsgBox(
            QStringLiteral("%1 web shortcuts and stored files were left out: the format keeps text only.")
                .arg(skipped));
    if (c.opt.json)
        c.out.json(QJsonObject{{QStringLiteral("path"), target},
                               {QStringLiteral("files"), written},
                               {QStringLiteral("skipped"), skipped}});
    else
        c.out.line(target);
}

}  // namespace cli
