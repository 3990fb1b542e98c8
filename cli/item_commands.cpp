// The commands on items and categories: list, search, show, add, edit, rm, mv, mkcat.

#include "cli/catalog.h"
#include "cli/cli.h"
#include "store/files.h"
#include "store/search_sql.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>

namespace cli {

namespace {

void needArguments(const Context& c, int least, int most) {
    const auto count = c.opt.arguments.size();
    if (count < least) throw usage(c.opt.command, QStringLiteral("Too few arguments."));
    if (count > most)
        throw usage(c.opt.command,
                    QStringLiteral("Unexpected argument: '") + c.opt.arguments.value(most) + u'\'');
}

QString firstLine(const QString& text) {
    return text.section(QRegularExpression(QStringLiteral("[\r\n]")), 0, 0);
}

QJsonObject itemJson(qint64 key, const QString& category, const QString& name, const QString& type,
                     const QString& description, const QDate& changed) {
    return {{QStringLiteral("key"), key},
            {QStringLiteral("category"), category},
            {QStringLiteral("name"), name},
            {QStringLiteral("type"), type},
            {QStringLiteral("description"), description},
            {QStringLiteral("lastChanged"), changed.isValid() ? changed.toString(Qt::ISODate) : QString()}};
}

void printItems(Context& c, const std::vector<ItemRow>& rows, const Catalog& catalog) {
    if (c.opt.json) {
        QJsonArray array;
        for (const ItemRow& row : rows)
            array << itemJson(row.key, catalog.path(row.catKey), row.name, row.type, row.description,
                              row.lastChanged);
        c.out.json(array);
        return;
    }
    QByteArray text;
    for (const ItemRow& row : rows) {
        text += (QString::number(row.key) + u'\t' + field(catalog.path(row.catKey) + u'/' + row.name) +
                 u'\t' + row.type + u'\t' + field(firstLine(row.description)) + u'\n')
                    .toUtf8();
        if (text.size() > 65536) c.out.write(std::exchange(text, {}));
    }
    c.out.write(text);
}

QByteArray readAllInput(const QString& file) {
    QFile in;
    if (file.isEmpty() || file == QLatin1String("-")) {
        in.open(stdin, QIODevice::ReadOnly);
    } else {
        in.setFileName(file);
        if (!store::FileExists(file)) throw Failure(exitNotFound, QStringLiteral("No such file: ") + file);
        if (!in.open(QIODevice::ReadOnly))
            throw Failure(exitFailed,
                          QStringLiteral("Cannot read '") + file + QStringLiteral("': ") + in.errorString());
    }
    return in.readAll();
}

// The name an item may have: something, on one line.
void checkName(const Context& c, const QString& name) {
    if (name.trimmed().isEmpty())
        throw usage(c.opt.command, QStringLiteral("An item needs a name (--name)."));
    if (std::any_of(name.begin(), name.end(), [](QChar ch) { return ch.category() == QChar::Other_Control; }))
        throw usage(c.opt.command,
                    QStringLiteral("An item's name must be one line without control characters."));
}

QString itemTypeOption(const Context& c) {
    const QString type = c.opt.type.toLower();
    if (type.isEmpty() || type == QLatin1String("text") || type == QLatin1String("text/code"))
        return kTextCode;
    if (type == QLatin1String("web") || type == QLatin1String("website")) return kWebSite;
    if (type == QLatin1String("file")) return kFile;
    throw usage(c.opt.command, QStringLiteral("--type is text, web or file, not '") + c.opt.type + u'\'');
}

}  // namespace

void runList(Context& c) {
    needArguments(c, 0, 1);
    auto db = c.openLibrary();
    const Catalog catalog(*db);
    QList<qint64> keys;
    if (!c.opt.arguments.isEmpty()) keys = catalog.subtree(catalog.one(c.opt.arguments.first()).key);
    if (c.opt.categories) {
        QJsonArray array;
        for (const Category* category : catalog.all()) {
            if (!keys.isEmpty() && !keys.contains(category->key)) continue;
            if (c.opt.json)
                array << QJsonObject{{QStringLiteral("key"), category->key},
                                     {QStringLiteral("path"), category->path},
                                     {QStringLiteral("name"), category->name},
                                     {QStringLiteral("parent"), category->parent}};
            else
                c.out.line(field(category->path));
        }
        if (c.opt.json) c.out.json(array);
        return;
    }
    std::vector<ItemRow> rows = listItems(*db, keys);
    std::sort(rows.begin(), rows.end(), [&](const ItemRow& a, const ItemRow& b) {
        if (a.catKey != b.catKey) {
            const int order = catalog.path(a.catKey).compare(catalog.path(b.catKey), Qt::CaseInsensitive);
            if (order != 0) return order < 0;
            return a.catKey < b.catKey;
        }
        const int order = a.name.compare(b.name, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.key < b.key;
    });
    printItems(c, rows, catalog);
}

void runSearch(Context& c) {
    needArguments(c, 1, 1);
    auto db = c.openLibrary();
    const Catalog catalog(*db);
    // The rows name their category only; a name shared by several categories is settled by the item's key.
    QHash<QString, QList<qint64>> byName;
    for (const Category* category : catalog.all()) byName[category->name.toLower()] << category->key;
    sqlite3_stmt* lookup = nullptr;
    sqlite3_prepare_v2(db->handle(), "SELECT CatKey FROM \"Procedure\" WHERE ProcKey = ?", -1, &lookup,
                       nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(lookup, sqlite3_finalize);
    const auto catKeyOf = [&](qint64 key, const QString& catName) -> qint64 {
        const QList<qint64> keys = byName.value(catName.toLower());
        if (keys.size() == 1 || !lookup) return keys.value(0);
        sqlite3_reset(lookup);
        sqlite3_bind_int64(lookup, 1, key);
        return sqlite3_step(lookup) == SQLITE_ROW ? sqlite3_column_int64(lookup, 0) : 0;
    };
    std::vector<ItemRow> rows;
    try {
        auto rs = db->OpenRecordset(store::quickSearchSQL(c.opt.arguments.first()), engine::dbOpenDynaset,
                                    engine::dbReadOnly);
        engine::Field key = rs->Fields(QStringLiteral("ProcKey")),
                      catName = rs->Fields(QStringLiteral("CatName")),
                      name = rs->Fields(QStringLiteral("Name")), type = rs->Fields(QStringLiteral("Type")),
                      desc = rs->Fields(QStringLiteral("Desc")),
                      changed = rs->Fields(QStringLiteral("LastChanged"));
        for (; !rs->eof(); rs->MoveNext()) {
            const qint64 k = key.Value().toLongLong();
            rows.push_back({k, catKeyOf(k, catName.text()), name.text(), type.text(), desc.text(),
                            changed.Value().toDate()});
        }
    } catch (const engine::Error& err) {
        throw failureOf(err);
    }
    printItems(c, rows, catalog);
}

void runShow(Context& c) {
    needArguments(c, 1, 1);
    auto db = c.openLibrary();
    const Catalog catalog(*db);
    const ItemRef ref = resolveItem(*db, catalog, c.opt.arguments.first());
    auto rs = itemRecord(*db, ref.key);
    const QString type = rs->Fields(QStringLiteral("Type")).text();
    const QString name = rs->Fields(QStringLiteral("Name")).text();
    const QByteArray text = type == kWebSite ? (name + u'\n').toUtf8()
                            : type == kFile  ? QByteArray()
                                             : rs->Fields(QStringLiteral("Code")).text().toUtf8();
    if (!c.opt.output.isEmpty()) {
        QSaveFile out(c.opt.output);
        if (!out.open(QIODevice::WriteOnly))
            throw Failure(exitFailed, QStringLiteral("Cannot write '") + c.opt.output +
                                          QStringLiteral("': ") + out.errorString());
        if (type == kFile)
            copyStoredFile(rs->Fields(QStringLiteral("File")), out);
        else
            out.write(text);
        if (!out.commit())
            throw Failure(exitFailed, QStringLiteral("Cannot write '") + c.opt.output +
                                          QStringLiteral("': ") + out.errorString());
    }
    if (c.opt.json) {
        QJsonObject object =
            itemJson(ref.key, catalog.path(ref.catKey), name, type, rs->Fields(QStringLiteral("Desc")).text(),
                     rs->Fields(QStringLiteral("LastChanged")).Value().toDate());
        if (type == kFile)
            object.insert(QStringLiteral("size"), rs->Fields(QStringLiteral("File")).FieldSize());
        else
            object.insert(QStringLiteral("code"), type == kWebSite ? name : QString::fromUtf8(text));
        c.out.json(object);
        return;
    }
    if (!c.opt.output.isEmpty()) return;
    if (type != kFile) return c.out.write(text);
    if (c.out.isTerminal())
        throw usage(c.opt.command,
                    QStringLiteral("'") + name +
                        QStringLiteral("' is a stored file: give --output FILE, or redirect the output."));
    copyStoredFile(rs->Fields(QStringLiteral("File")), c.out.device());
}

void runAdd(Context& c) {
    needArguments(c, 0, 0);
    if (c.opt.category.isEmpty()) throw usage(c.opt.command, QStringLiteral("--category is missing."));
    ItemData item;
    item.type = itemTypeOption(c);
    item.name = c.opt.name;
    item.description = c.opt.description;
    if (item.type == kFile && item.name.isEmpty() && !c.opt.file.isEmpty())
        item.name = store::FileNamePart(c.opt.file);
    checkName(c, item.name);
    if (item.type == kWebSite && !store::IsURL(item.name))
        throw usage(c.opt.command,
                    QStringLiteral("A web shortcut's name is its address (http://, https:// or www.): '") +
                        item.name + u'\'');

    auto db = c.openLibrary();
    Catalog catalog(*db);
    const QList<const Category*> found = catalog.find(c.opt.category);
    if (found.isEmpty())
        throw Failure(exitNotFound, QStringLiteral("No category '") + c.opt.category +
                                        QStringLiteral("'; make it with: morvane mkcat \"") + c.opt.category +
                                        u'"');
    const qint64 catKey = catalog.one(c.opt.category).key;

    QTemporaryDir held(store::tempFolder() + QStringLiteral("add-XXXXXX"));
    if (item.type == kFile) {
        item.filePath = c.opt.file;
        if (item.filePath.isEmpty() || item.filePath == QLatin1String("-")) {
            // Standard input is stored through a private file of its own, in pieces as any file is.
            item.filePath = held.filePath(store::safeFileName(item.name));
            QFile copy(item.filePath);
            if (!held.isValid() || !copy.open(QIODevice::WriteOnly) ||
                copy.write(readAllInput(QString())) < 0)
                throw Failure(exitFailed,
                              QStringLiteral("Cannot keep standard input in ") + store::tempFolder());
        } else if (!store::FileExists(item.filePath)) {
            throw Failure(exitNotFound, QStringLiteral("No such file: ") + item.filePath);
        }
    } else if (item.type == kTextCode) {
        if (c.opt.file.isEmpty() && ::isatty(0))
            ui::MsgBox(QStringLiteral("Type the code; end it with Ctrl-D."));
        if (!isText(readAllInput(c.opt.file), &item.code))
            throw Failure(
                exitFailed,
                QStringLiteral("The code is not UTF-8 text; keep it as a stored file with --type file."));
    }
    qint64 key = 0;
    try {
        key = ItemAdder(*db).add(catKey, item);
    } catch (const engine::Error& err) {
        throw failureOf(err);
    }
    if (c.opt.json)
        c.out.json(QJsonObject{{QStringLiteral("key"), key}});
    else
        c.out.line(QString::number(key));
}

void runEdit(Context& c) {
    needArguments(c, 1, 1);
    QString editor = qEnvironmentVariable("VISUAL");
    if (editor.trimmed().isEmpty()) editor = qEnvironmentVariable("EDITOR");
    QStringList command = QProcess::splitCommand(editor);
    if (command.isEmpty())
        throw usage(c.opt.command,
                    QStringLiteral("Set VISUAL or EDITOR to the editor to use (for example: vim)."));

    auto db = c.openLibrary();
    const Catalog catalog(*db);
    const ItemRef ref = resolveItem(*db, catalog, c.opt.arguments.first());
    QTemporaryDir folder(store::tempFolder() + QStringLiteral("edit-XXXXXX"));
    if (!folder.isValid())
        throw Failure(exitFailed, QStringLiteral("Cannot make a folder in ") + store::tempFolder());
    // Under the item's own name, so that the editor knows the language by its ending.
    const QString path =
        folder.filePath(store::safeFileName(ref.type == kWebSite ? QStringLiteral("address.txt") : ref.name));
    {
        auto rs = itemRecord(*db, ref.key);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            throw Failure(exitFailed, QStringLiteral("Cannot write ") + path);
        if (ref.type == kFile)
            copyStoredFile(rs->Fields(QStringLiteral("File")), file);
        else
            file.write(ref.type == kWebSite ? (ref.name + u'\n').toUtf8()
                                            : rs->Fields(QStringLiteral("Code")).text().toUtf8());
    }
    const QByteArray before = readAllInput(path);

    // The editor has the terminal: it reads the keyboard and draws on the screen itself.
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(command.takeFirst(), command << path);
    if (!process.waitForStarted(-1))
        throw Failure(exitFailed,
                      QStringLiteral("Cannot start the editor '") + editor + QStringLiteral("'."));
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw Failure(
            exitFailed,
            QStringLiteral("The editor ended with status %1; nothing was saved.").arg(process.exitCode()));

    const QByteArray after = readAllInput(path);
    if (after == before) {
        ui::MsgBox(QStringLiteral("No changes: nothing was saved."));
        return;
    }
    // From here the user's work is in the file alone: it stays when it cannot be saved.
    folder.setAutoRemove(false);
    const QString kept = QStringLiteral("\nThe changed file is still here: ") + path;
    ItemData item{ref.name, ref.type, QString(), QString(), path};
    {
        auto rs = itemRecord(*db, ref.key);
        if (rs->eof())
            throw Failure(exitNotFound, QStringLiteral("The item is no longer in the library.") + kept);
        item.description = rs->Fields(QStringLiteral("Desc")).text();
    }
    if (ref.type == kWebSite) {
        item.name = firstLine(QString::fromUtf8(after)).trimmed();
        if (!store::IsURL(item.name))
            throw Failure(exitFailed, QStringLiteral("Not a web address: '") + item.name + u'\'' + kept);
    } else if (ref.type != kFile && !isText(after, &item.code)) {
        throw Failure(exitFailed,
                      QStringLiteral("The edited code is not UTF-8 text; nothing was saved.") + kept);
    }
    try {
        updateItem(*db, ref.key, item);
    } catch (const engine::Error& err) {
        throw Failure(failureOf(err).status(), err.description() + kept);
    }
    folder.setAutoRemove(true);
    ui::MsgBox(QStringLiteral("Saved: ") + catalog.path(ref.catKey) + u'/' + item.name);
}

void runRemove(Context& c) {
    needArguments(c, 1, 1);
    auto db = c.openLibrary();
    const Catalog catalog(*db);
    const ItemRef ref = resolveItem(*db, catalog, c.opt.arguments.first());
    c.confirm(QStringLiteral("Delete the Item?\n\n     ") + catalog.path(ref.catKey) + u'/' + ref.name,
              QStringLiteral("Confirm Deletion"));
    try {
        db->Execute(QStringLiteral("DELETE FROM [Procedure] WHERE ProcKey = ") + QString::number(ref.key));
    } catch (const engine::Error& err) {
        throw failureOf(err);
    }
}

void runMove(Context& c) {
    needArguments(c, 2, 2);
    auto db = c.openLibrary();
    const Catalog catalog(*db);
    const ItemRef ref = resolveItem(*db, catalog, c.opt.arguments.first());
    const Category& target = catalog.one(c.opt.arguments.at(1));
    try {
        auto rs = itemRecord(*db, ref.key);
        rs->Edit();
        rs->Fields(QStringLiteral("CatKey")).setValue(target.key);
        rs->Fields(QStringLiteral("LastChanged")).setValue(QDate::currentDate());
        rs->Fields(QStringLiteral("LastChangedBy")).setValue(1);
        rs->Update();
    } catch (const engine::Error& err) {
        throw failureOf(err);
    }
}

void runMakeCategory(Context& c) {
    needArguments(c, 1, 1);
    const QStringList parts = pathParts(c.opt.arguments.first(), c.opt.command);
    auto db = c.openLibrary();
    qint64 key = 0;
    try {
        Transaction transaction(*db);
        Catalog catalog(*db);
        key = catalog.make(parts);
        transaction.commit();
    } catch (const engine::Error& err) {
        throw failureOf(err);
    }
    if (c.opt.json)
        c.out.json(QJsonObject{{QStringLiteral("key"), key}});
    else
        c.out.line(QString::number(key));
}

}  // namespace cli
