#include "cli/collections.h"

#include "cli/cli.h"
#include "store/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <toml++/toml.h>

#include <algorithm>
#include <sstream>

namespace cli {

namespace {

// Larger files are kept as stored files whatever they hold.
constexpr qint64 kLargestText = 16 * 1024 * 1024;

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(exitNotFound,
                      QStringLiteral("Cannot read '") + path + QStringLiteral("': ") + file.errorString());
    return file.readAll();
}

Failure malformed(const QString& path, const QString& what) {
    return Failure(exitFailed,
                   path + QStringLiteral(": ") + what + QStringLiteral("; nothing was imported."));
}

// Line and column of a byte offset, for messages.
QString position(const QByteArray& text, qsizetype offset) {
    const QByteArray before = text.left(offset);
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    return QStringLiteral("line %1, column %2").arg(before.count('\n') + 1).arg(offset - lineStart + 1);
}

// A string, or an array of strings joined by separator; absent gives "".
QString textOf(const QJsonValue& value, const QString& separator, bool* ok) {
    *ok = true;
    if (value.isUndefined() || value.isNull()) return QString();
    if (value.isString()) return value.toString();
    QStringList parts;
    if (value.isArray()) {
        for (const QJsonValue& part : value.toArray()) {
            if (!part.isString()) break;
            parts << part.toString();
        }
        if (parts.size() == value.toArray().size()) return parts.join(separator);
    }
    *ok = false;
    return QString();
}

void checkSnippetName(const QString& path, const QString& name) {
    if (name.trimmed().isEmpty()) throw malformed(path, QStringLiteral("a snippet has no name"));
    if (std::any_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; }))
        throw malformed(path,
                        QStringLiteral("the snippet name '") + name + QStringLiteral("' holds a line break"));
}

// The description kept for a snippet: its own, and its prefix on a last line when that differs from
// its name.
QString descriptionWithPrefix(const QString& description, const QStringList& prefixes, const QString& name) {
    if (prefixes.isEmpty() || prefixes == QStringList{name}) return description;
    const QString line = kPrefixLine + prefixes.join(QStringLiteral(", "));
    return description.isEmpty() ? line : description + QStringLiteral("\n\n") + line;
}

void readVsCodeFile(const QString& path, Collection& out) {
    const QByteArray bytes = readFile(path);
    if (!isText(bytes)) throw malformed(path, QStringLiteral("not UTF-8 text"));
    const QByteArray json = plainJson(bytes);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw malformed(path, QStringLiteral("malformed JSON at ") + position(json, error.offset) +
                                  QStringLiteral(" (") + error.errorString() + u')');
    if (!document.isObject()) throw malformed(path, QStringLiteral("the snippets must be one JSON object"));
    const QFileInfo info(path);
    // A per-language file is named after its language; a .code-snippets file names languages in "scope".
    const QString language = info.suffix().compare(QLatin1String("json"), Qt::CaseInsensitive) == 0
                                 ? info.completeBaseName()
                                 : QString();
    const QJsonObject snippets = document.object();
    for (auto it = snippets.begin(); it != snippets.end(); ++it) {
        const QString name = it.key();
        checkSnippetName(path, name);
        if (!it.value().isObject())
            throw malformed(path, QStringLiteral("'") + name + QStringLiteral("' is not a snippet object"));
        const QJsonObject snippet = it.value().toObject();
        bool ok = true;
        if (!snippet.contains(QLatin1String("body")))
            throw malformed(path, QStringLiteral("the snippet '") + name + QStringLiteral("' has no body"));
        const QString code = textOf(snippet.value(QLatin1String("body")), QStringLiteral("\n"), &ok);
        if (!ok)
            throw malformed(
                path, QStringLiteral("the body of '") + name + QStringLiteral("' is not text or lines"));
        const QString description =
            textOf(snippet.value(QLatin1String("description")), QStringLiteral("\n"), &ok);
        if (!ok)
            throw malformed(path,
                            QStringLiteral("the description of '") + name + QStringLiteral("' is not text"));
        const QString prefix = textOf(snippet.value(QLatin1String("prefix")), QStringLiteral("\n"), &ok);
        if (!ok)
            throw malformed(path, QStringLiteral("the prefix of '") + name + QStringLiteral("' is not text"));
        const QString scope =
            textOf(snippet.value(QLatin1String("scope")), QStringLiteral(","), &ok).trimmed();
        if (!ok)
            throw malformed(path, QStringLiteral("the scope of '") + name + QStringLiteral("' is not text"));
        const QString category = !language.isEmpty() ? language
                                 : !scope.isEmpty()  ? scope
                                                     : info.completeBaseName();
        Snippet s;
        s.category = QStringList{QString(category).replace(u'/', u'_')};
        s.item.name = name;
        s.item.code = code;
        s.item.description =
            descriptionWithPrefix(description, prefix.isEmpty() ? QStringList() : prefix.split(u'\n'), name);
        out.snippets.push_back(std::move(s));
    }
}

QString tomlText(const toml::node* node, const QString& path, const QString& key, int index) {
    if (!node) return QString();
    if (const auto* text = node->as_string()) return QString::fromStdString(text->get());
    throw malformed(path, QStringLiteral("snippet %1: '%2' is not a string").arg(index).arg(key));
}

// The lines of a description kept for pet's tags and output.
QString petDescription(const QStringList& tags, const QString& output) {
    QStringList lines;
    if (!tags.isEmpty()) lines << QStringLiteral("Tags: ") + tags.join(QStringLiteral(", "));
    if (!output.isEmpty()) lines << QStringLiteral("Output: ") + output;
    return lines.join(u'\n');
}

QString nameForFile(const QString& name, QSet<QString>& taken) {
    const QString safe = store::safeFileName(name);
    QString chosen = safe;
    const qsizetype dot = safe.lastIndexOf(u'.');
    const QString stem = dot > 0 ? safe.left(dot) : safe, ending = dot > 0 ? safe.mid(dot) : QString();
    for (int n = 2; taken.contains(chosen); ++n)
        chosen = store::safeFileName(stem + QStringLiteral(" (%1)").arg(n) + ending);
    taken.insert(chosen);
    return chosen;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(bytes) != bytes.size())
        throw Failure(exitFailed,
                      QStringLiteral("Cannot write '") + path + QStringLiteral("': ") + file.errorString());
}

struct TextItem {
    qint64 key = 0, catKey = 0;
    QString name, description, code;
};

// Text items of the categories (all when keys is empty), in path and name order.
std::vector<TextItem> textItems(engine::Database& db, const Catalog& catalog, const QList<qint64>& keys,
                                int& skipped) {
    std::vector<TextItem> items;
    skipped = 0;
    QString sql = QStringLiteral("SELECT ProcKey, CatKey, Name, Type, Desc, Code FROM [Procedure]");
    if (!keys.isEmpty()) {
        QStringList texts;
        for (qint64 key : keys) texts << QString::number(key);
        sql += QStringLiteral(" WHERE CatKey IN (") + texts.join(u',') + u')';
    }
    auto rs = db.OpenRecordset(sql, engine::dbOpenSnapshot, engine::dbReadOnly);
    for (; !rs->eof(); rs->MoveNext()) {
        const QString type = rs->Fields(3).text();
        if (type == kWebSite || type == kFile) {
            ++skipped;
            continue;
        }
        items.push_back({rs->Fields(0).Value().toLongLong(), rs->Fields(1).Value().toLongLong(),
                         rs->Fields(2).text(), rs->Fields(4).text(), rs->Fields(5).text()});
    }
    std::sort(items.begin(), items.end(), [&](const TextItem& a, const TextItem& b) {
        const int order = catalog.path(a.catKey).compare(catalog.path(b.catKey), Qt::CaseInsensitive);
        if (order != 0) return order < 0;
        const int names = a.name.compare(b.name, Qt::CaseInsensitive);
        return names != 0 ? names < 0 : a.key < b.key;
    });
    return items;
}

// A description's prefix line taken off: the prefixes, and what remains.
QStringList takePrefix(QString& description) {
    const qsizetype at = description.lastIndexOf(kPrefixLine);
    if (at < 0 || (at > 0 && description.at(at - 1) != u'\n') || description.indexOf(u'\n', at) >= 0)
        return {};
    const QStringList prefixes = description.mid(at + kPrefixLine.size()).split(QStringLiteral(", "));
    description = description.left(at).trimmed();
    return prefixes;
}

}  // namespace

QByteArray plainJson(const QByteArray& text) {
    QByteArray out = text;
    const qsizetype n = out.size();
    qsizetype lastComma = -1;  // a comma that may be trailing
    for (qsizetype i = 0; i < n; ++i) {
        const char c = out[i];
        if (c == '"') {
            lastComma = -1;
            for (++i; i < n && out[i] != '"'; ++i)
                if (out[i] == '\\') ++i;
        } else if (c == '/' && i + 1 < n && out[i + 1] == '/') {
            for (; i < n && out[i] != '\n'; ++i) out[i] = ' ';
        } else if (c == '/' && i + 1 < n && out[i + 1] == '*') {
            const qsizetype end = out.indexOf("*/", i + 2);
            const qsizetype stop = end < 0 ? n : end + 2;
            for (; i < stop; ++i)
                if (out[i] != '\n') out[i] = ' ';
            --i;
        } else if (c == ',') {
            lastComma = i;
        } else if ((c == '}' || c == ']') && lastComma >= 0) {
            out[lastComma] = ' ';
            lastComma = -1;
        } else if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            lastComma = -1;
        }
    }
    return out;
}

Collection readVsCode(const QString& path) {
    Collection out;
    const QFileInfo info(path);
    if (!info.exists()) throw Failure(exitNotFound, QStringLiteral("No such file or folder: ") + path);
    QStringList files;
    if (info.isDir()) {
        for (const QString& name :
             QDir(path).entryList({QStringLiteral("*.code-snippets"), QStringLiteral("*.json")},
                                  QDir::Files | QDir::Readable, QDir::Name))
            files << QDir(path).filePath(name);
        if (files.isEmpty())
            throw Failure(exitNotFound,
                          QStringLiteral("No snippet files (*.code-snippets, *.json) in ") + path);
    } else {
        files << path;
    }
    for (const QString& file : files) readVsCodeFile(file, out);
    return out;
}

Collection readPet(const QString& path) {
    if (!store::FileExists(path)) throw Failure(exitNotFound, QStringLiteral("No such file: ") + path);
    const QByteArray bytes = readFile(path);
    toml::table root;
    try {
        root = toml::parse(std::string_view(bytes.constData(), size_t(bytes.size())), path.toStdString());
    } catch (const toml::parse_error& err) {
        throw malformed(
            path, QStringLiteral("malformed TOML at line %1, column %2 (%3)")
                      .arg(err.source().begin.line)
                      .arg(err.source().begin.column)
                      .arg(QString::fromUtf8(err.description().data(), qsizetype(err.description().size()))));
    }
    Collection out;
    const toml::node* list = root.get("snippets");
    if (!list) return out;
    const toml::array* snippets = list->as_array();
    if (!snippets) throw malformed(path, QStringLiteral("'snippets' is not a list of [[snippets]] tables"));
    int index = 0;
    for (const toml::node& node : *snippets) {
        ++index;
        const toml::table* snippet = node.as_table();
        if (!snippet) throw malformed(path, QStringLiteral("snippet %1 is not a table").arg(index));
        const QString command = tomlText(snippet->get("command"), path, QStringLiteral("command"), index);
        QString name =
            tomlText(snippet->get("description"), path, QStringLiteral("description"), index).trimmed();
        const QString output = tomlText(snippet->get("output"), path, QStringLiteral("output"), index);
        QStringList tags;
        if (const toml::node* tag = snippet->get("tag")) {
            const toml::array* array = tag->as_array();
            if (!array && !tag->is_string())
                throw malformed(path, QStringLiteral("snippet %1: 'tag' is not a list").arg(index));
            if (!array) tags << tomlText(tag, path, QStringLiteral("tag"), index);
            if (array)
                for (const toml::node& t : *array) tags << tomlText(&t, path, QStringLiteral("tag"), index);
        }
        // pet's description is the title; one without any is named by its command's first line.
        if (name.isEmpty()) name = command.section(u'\n', 0, 0).trimmed().left(80);
        name.replace(QRegularExpression(QStringLiteral("[\\r\\n\\t]+")), QStringLiteral(" "));
        checkSnippetName(path, name);
        Snippet s;
        s.item.name = name;
        s.item.code = command;
        s.item.description = petDescription(tags, output);
        out.snippets.push_back(std::move(s));
    }
    return out;
}

namespace {

void readFolderInto(const QString& folder, const QStringList& category, Collection& out) {
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (entry.isSymLink()) {
            out.notes << QStringLiteral("left out the link ") + entry.filePath();
            continue;
        }
        if (entry.isDir()) {
            const QStringList below = QStringList(category) << name;
            out.categories << below;
            readFolderInto(entry.filePath(), below, out);
            continue;
        }
        if (!entry.isFile()) {
            out.notes << QStringLiteral("left out ") + entry.filePath() +
                             QStringLiteral(" (not a plain file)");
            continue;
        }
        Snippet s;
        s.category = category;
        s.item.name = name;
        const QString suffix = entry.suffix().toLower();
        QString address;
        if (suffix == QLatin1String("url")) {
            address = store::ReadWebShortcut(entry.filePath());
            s.item.description = entry.completeBaseName();
        } else if (suffix == QLatin1String("desktop") && entry.size() < 65536) {
            // A desktop link: Type=Link with its URL; an application's entry stays a file.
            QString type, title;
            bool inEntry = false;
            for (const QString& line : QString::fromUtf8(readFile(entry.filePath())).split(u'\n')) {
                const QString t = line.trimmed();
                if (t.startsWith(u'[')) inEntry = t == QLatin1String("[Desktop Entry]");
                if (!inEntry) continue;
                if (t.startsWith(QLatin1String("Type="))) type = t.mid(5).trimmed();
                if (t.startsWith(QLatin1String("URL="))) address = t.mid(4).trimmed();
                if (t.startsWith(QLatin1String("Name="))) title = t.mid(5).trimmed();
            }
            if (type != QLatin1String("Link")) address.clear();
            s.item.description = title.isEmpty() ? entry.completeBaseName() : title;
        }
        if (!address.isEmpty()) {
            s.item.type = kWebSite;
            s.item.name = address;
        } else {
            s.item.description.clear();
            QByteArray bytes;
            if (entry.size() <= kLargestText) bytes = readFile(entry.filePath());
            if (entry.size() <= kLargestText && isText(bytes, &s.item.code)) {
                s.item.type = kTextCode;
            } else {
                s.item.type = kFile;
                s.item.code.clear();
                s.item.description = kFile;
                s.item.filePath = entry.filePath();
            }
        }
        out.snippets.push_back(std::move(s));
    }
}

}  // namespace

Collection readFolder(const QString& path) {
    if (!QFileInfo(path).isDir()) throw Failure(exitNotFound, QStringLiteral("No such folder: ") + path);
    Collection out;
    readFolderInto(path, {}, out);
    return out;
}

QByteArray vsCodeSnippets(engine::Database& db, const Catalog& catalog, const QList<qint64>& keys,
                          int& skipped) {
    // A category named like VS Code's language ids ("python", "javascript,typescript") is the snippets'
    // scope.
    static const QRegularExpression languages(QStringLiteral("^[a-z0-9_.+-]+(,[a-z0-9_.+-]+)*$"));
    QJsonObject snippets;
    for (TextItem& item : textItems(db, catalog, keys, skipped)) {
        QString key = item.name;
        if (snippets.contains(key)) key = item.name + QStringLiteral(" (") + catalog.path(item.catKey) + u')';
        for (int n = 2; snippets.contains(key); ++n) key = item.name + QStringLiteral(" (%1)").arg(n);
        QStringList prefixes = takePrefix(item.description);
        if (prefixes.isEmpty()) prefixes << item.name;
        QJsonArray body;
        for (const QString& line : item.code.split(QRegularExpression(QStringLiteral("\r?\n")))) body << line;
        if (item.code.isEmpty()) body = QJsonArray();
        QJsonObject snippet{{QStringLiteral("prefix"),
                             prefixes.size() == 1 ? QJsonValue(prefixes.first())
                                                  : QJsonValue(QJsonArray::fromStringList(prefixes))},
                            {QStringLiteral("body"), body}};
        if (!item.description.isEmpty()) snippet.insert(QStringLiteral("description"), item.description);
        const Category* category = catalog.byKey(item.catKey);
        if (category && languages.match(category->name).hasMatch())
            snippet.insert(QStringLiteral("scope"), category->name);
        snippets.insert(key, snippet);
    }
    return QJsonDocument(snippets).toJson(QJsonDocument::Indented);
}

QByteArray petSnippets(engine::Database& db, const Catalog& catalog, const QList<qint64>& keys,
                       int& skipped) {
    toml::array list;
    for (const TextItem& item : textItems(db, catalog, keys, skipped)) {
        QStringList tags;
        QString output;
        for (const QString& line : item.description.split(u'\n')) {
            if (line.startsWith(QLatin1String("Tags: "))) tags = line.mid(6).split(QStringLiteral(", "));
            if (line.startsWith(QLatin1String("Output: "))) output = line.mid(8);
        }
        toml::array tagArray;
        for (const QString& tag : tags) tagArray.push_back(tag.toStdString());
        list.push_back(toml::table{{"description", item.name.toStdString()},
                                   {"command", item.code.toStdString()},
                                   {"tag", tagArray},
                                   {"output", output.toStdString()}});
    }
    std::ostringstream text;
    text << toml::table{{"snippets", list}};
    return QByteArray::fromStdString(text.str() + "\n");
}

namespace {

int writeCategory(engine::Database& db, const Catalog& catalog, qint64 category, const QString& folder) {
    QSet<QString> taken;
    int files = 0;
    for (const Category* child : catalog.children(category)) {
        const QString sub = QDir(folder).filePath(nameForFile(child->name, taken));
        if (!QDir().mkdir(sub)) throw Failure(exitFailed, QStringLiteral("Cannot make the folder ") + sub);
        files += writeCategory(db, catalog, child->key, sub);
    }
    if (category == 0) return files;
    auto rs =
        db.OpenRecordset(QStringLiteral("SELECT ProcKey, Name, Type, Desc, Code, File FROM [Procedure] WHERE "
                                        "CatKey = ") +
                             QString::number(category) + QStringLiteral(" ORDER BY Name, ProcKey"),
                         engine::dbOpenSnapshot, engine::dbReadOnly);
    for (; !rs->eof(); rs->MoveNext(), ++files) {
        const QString name = rs->Fields(1).text(), type = rs->Fields(2).text();
        if (type == kWebSite) {
            // Named by its description (a title), else by its address's host.
            QString title = rs->Fields(3).text().section(u'\n', 0, 0).trimmed();
            if (title.isEmpty()) title = QUrl::fromUserInput(name).host();
            const QString path = QDir(folder).filePath(nameForFile(title + QStringLiteral(".url"), taken));
            try {
                store::WriteWebShortcut(name, path);
            } catch (const engine::Error& err) {
                throw failureOf(err);
            }
            continue;
        }
        const QString path = QDir(folder).filePath(nameForFile(name, taken));
        if (type == kFile) {
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                throw Failure(exitFailed, QStringLiteral("Cannot write '") + path + QStringLiteral("': ") +
                                              out.errorString());
            copyStoredFile(rs->Fields(5), out);
        } else {
            writeBytes(path, rs->Fields(4).text().toUtf8());
        }
    }
    return files;
}

}  // namespace

int writeFolder(engine::Database& db, const Catalog& catalog, qint64 category, const QString& folder) {
    return writeCategory(db, catalog, category, folder);
}

}  // namespace cli
