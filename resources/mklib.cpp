// mrv-mklib: builds the design master and the sample library from the readable sample text
// (resources/sample/library.txt, whose format its first lines describe). Run by the build:
//   mrv-mklib <sample text> <design master> <sample library>
// Both files are written aside and renamed into place, so a failed run leaves no half file.

#include "base/replace_file.h"
#include "store/engine/engine.h"
#include "store/engine/error.h"
#include "store/library_schema.h"

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>

namespace {

struct Item {
    QString type, name, desc, code;
    QDate changed;
    QByteArray file;
};

struct Category {
    QStringList path;
    QString kind;
    QByteArray picture;
    QList<Item> items;
};

struct Sample {
    store::LibraryGroup group;
    QList<Category> categories;
};

[[noreturn]] void fail(const QString& where, const QString& message) {
    throw engine::Error(engine::errEngine, where + QStringLiteral(": ") + message);
}

// A 32x32 PNG: a rounded tile of the colour with a lighter frame, enough to tell pictures apart.
QByteArray drawPicture(const QString& where, const QString& rgb) {
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{6}$"));
    if (!hex.match(rgb).hasMatch()) fail(where, QStringLiteral("picture wants six hex digits: ") + rgb);
    const QColor colour(QStringLiteral("#") + rgb);
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colour.lighter(150), 2));
        painter.setBrush(colour);
        painter.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) fail(where, QStringLiteral("cannot encode a PNG picture"));
    return png;
}

QByteArray readFile(const QString& where, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) fail(where, QStringLiteral("cannot read ") + path);
    return file.readAll();
}

// Splits "a | b=c | d" into the first field and the options; key=value options go to named.
void splitOptions(const QString& where, const QStringList& fields, QHash<QString, QString>& named,
                  QStringList& plain) {
    for (const QString& field : fields) {
        const qsizetype eq = field.indexOf(QLatin1Char('='));
        if (eq < 0) {
            plain << field;
            continue;
        }
        const QString key = field.left(eq).trimmed();
        if (key != QLatin1String("file") && key != QLatin1String("picture"))
            fail(where, QStringLiteral("unknown option ") + key);
        named.insert(key, field.mid(eq + 1).trimmed());
    }
}

Sample parse(const QString& textPath) {
    QFile file(textPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(textPath, QStringLiteral("cannot open: ") + file.errorString());
    const QDir filesDir(QFileInfo(textPath).absolutePath() + QStringLiteral("/files"));
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);

    Sample sample;
    QHash<QString, int> declared;  // path text → index in categories
    bool inItem = false;
    bool inCode = false;
    QStringList code;
    int lineNo = 0;
    const auto where = [&] { return textPath + QLatin1Char(':') + QString::number(lineNo); };

    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++lineNo;
        if (inCode) {
            if (line == QLatin1String("END CODE")) {
                sample.categories.last().items.last().code = code.join(QLatin1Char('\n'));
                inCode = false;
            } else {
                code << line;
            }
            continue;
        }
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype space = line.indexOf(QLatin1Char(' '));
        const QString directive = space < 0 ? line : line.left(space);
        const QString rest = space < 0 ? QString() : line.mid(space + 1).trimmed();
        const QStringList fields = rest.split(QStringLiteral(" | "));

        if (directive == QLatin1String("GROUP")) {
            sample.group.name = rest;
        } else if (directive == QLatin1String("GUID")) {
            static const QRegularExpression guid(
                QStringLiteral("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$"));
            if (!guid.match(rest).hasMatch())
                fail(where(), QStringLiteral("GUID wants {8-4-4-4-12} upper-case hex"));
            sample.group.guid = rest;
        } else if (directive == QLatin1String("CREATED")) {
            sample.group.created = QDateTime::fromString(rest, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            if (!sample.group.created.isValid())
                fail(where(), QStringLiteral("CREATED wants yyyy-mm-dd hh:mm:ss"));
        } else if (directive == QLatin1String("CATEGORY")) {
            QHash<QString, QString> named;
            QStringList plain;
            splitOptions(where(), fields.mid(1), named, plain);
            if (named.contains(QStringLiteral("file")))
                fail(where(), QStringLiteral("a category has no file"));
            Category category;
            category.path = fields.first().split(QStringLiteral(" / "));
            for (QString& name : category.path) name = name.trimmed();
            if (category.path.contains(QString())) fail(where(), QStringLiteral("empty category name"));
            const QString key = category.path.join(QLatin1Char('/'));
            if (declared.contains(key)) fail(where(), QStringLiteral("category declared twice: ") + key);
            if (category.path.size() > 1 &&
                !declared.contains(category.path.mid(0, category.path.size() - 1).join(QLatin1Char('/'))))
                fail(where(), QStringLiteral("parent not declared before: ") + key);
            if (plain.size() > 1) fail(where(), QStringLiteral("a category has one kind"));
            category.kind = plain.value(0);
            if (named.contains(QStringLiteral("picture")))
                category.picture = drawPicture(where(), named.value(QStringLiteral("picture")));
            declared.insert(key, int(sample.categories.size()));
            sample.categories.append(category);
            inItem = false;
        } else if (directive == QLatin1String("ITEM")) {
            if (sample.categories.isEmpty()) fail(where(), QStringLiteral("ITEM before any CATEGORY"));
            if (fields.size() < 3) fail(where(), QStringLiteral("ITEM wants type | name | date"));
            QHash<QString, QString> named;
            QStringList plain;
            splitOptions(where(), fields.mid(3), named, plain);
            if (!plain.isEmpty()) fail(where(), QStringLiteral("unexpected field: ") + plain.first());
            Category& category = sample.categories.last();
            Item added;
            added.type = fields.at(0);
            added.name = fields.at(1);
            added.changed = QDate::fromString(fields.at(2), QStringLiteral("yyyy-MM-dd"));
            if (!added.changed.isValid()) fail(where(), QStringLiteral("the date wants yyyy-mm-dd"));
            const bool isFile = added.type == QLatin1String("File");
            if (added.type != QLatin1String("Text/Code") && added.type != QLatin1String("WebSite") && !isFile)
                fail(where(), QStringLiteral("unknown item type: ") + added.type);
            // A category of a kind holds only items of that kind.
            if (!category.kind.isEmpty() && category.kind != added.type)
                fail(where(), QStringLiteral("a %1 category holds only %1 items").arg(category.kind));
            if (isFile !=
                (named.contains(QStringLiteral("file")) || named.contains(QStringLiteral("picture"))))
                fail(where(), QStringLiteral("File items, and only they, want file= or picture="));
            if (named.contains(QStringLiteral("file")))
                added.file = readFile(where(), filesDir.filePath(named.value(QStringLiteral("file"))));
            if (named.contains(QStringLiteral("picture")))
                added.file = drawPicture(where(), named.value(QStringLiteral("picture")));
            if (added.type == QLatin1String("WebSite")) added.code = QStringLiteral("Web Shortcut");
            category.items.append(added);
            inItem = true;
        } else if (directive == QLatin1String("DESC")) {
            if (!inItem) fail(where(), QStringLiteral("DESC outside an ITEM"));
            QString& desc = sample.categories.last().items.last().desc;
            desc += (desc.isEmpty() ? QString() : QStringLiteral("\n")) + rest;
        } else if (directive == QLatin1String("CODE")) {
            if (!inItem) fail(where(), QStringLiteral("CODE outside an ITEM"));
            inCode = true;
            code.clear();
        } else {
            fail(where(), QStringLiteral("unknown directive ") + directive);
        }
    }
    if (inCode) fail(where(), QStringLiteral("CODE without END CODE"));
    if (sample.group.name.isEmpty() || sample.group.guid.isEmpty() || !sample.group.created.isValid())
        fail(textPath, QStringLiteral("GROUP, GUID and CREATED are required"));
    return sample;
}

void appendBytes(engine::Field field, const QByteArray& bytes) {
    for (qsizetype offset = 0; offset < bytes.size(); offset += engine::kChunkSize)
        field.AppendChunk(bytes.mid(offset, engine::kChunkSize));
}

void writeContent(engine::Database& db, const Sample& sample) {
    QHash<QString, QVariant> keys;  // category path → CatKey
    auto categories = db.OpenRecordset(QStringLiteral("SELECT * FROM [Category]"));
    auto items = db.OpenRecordset(QStringLiteral("SELECT * FROM [Procedure]"));
    for (const Category& category : sample.categories) {
        categories->AddNew();
        const QString parent = category.path.mid(0, category.path.size() - 1).join(QLatin1Char('/'));
        categories->Fields(QStringLiteral("ParentKey"))
            .setValue(parent.isEmpty() ? QVariant(0) : keys.value(parent));
        if (!category.kind.isEmpty()) categories->Fields(QStringLiteral("Type")).setValue(category.kind);
        categories->Fields(QStringLiteral("Name")).setValue(category.path.last());
        if (!category.picture.isEmpty())
            appendBytes(categories->Fields(QStringLiteral("Image")), category.picture);
        categories->Update();
        categories->setBookmark(categories->LastModified());
        const QVariant catKey = categories->Fields(QStringLiteral("CatKey")).Value();
        keys.insert(category.path.join(QLatin1Char('/')), catKey);

        for (const Item& item : category.items) {
            items->AddNew();
            items->Fields(QStringLiteral("CatKey")).setValue(catKey);
            items->Fields(QStringLiteral("Name")).setValue(item.name);
            items->Fields(QStringLiteral("Type")).setValue(item.type);
            items->Fields(QStringLiteral("Desc")).setValue(item.desc);
            if (!item.code.isEmpty()) items->Fields(QStringLiteral("Code")).setValue(item.code);
            items->Fields(QStringLiteral("Owner")).setValue(1);
            items->Fields(QStringLiteral("LastChanged")).setValue(item.changed.startOfDay());
            items->Fields(QStringLiteral("LastChangedBy")).setValue(1);
            if (!item.file.isEmpty()) appendBytes(items->Fields(QStringLiteral("File")), item.file);
            items->Update();
        }
    }
    items->Close();
    categories->Close();
}

void writeLibrary(const QString& path, const Sample& sample, bool withContent) {
    mrv::FileReplacement out(path);
    {
        auto db = store::createLibrary(out.workPath(), sample.group);
        if (withContent) writeContent(*db, sample);
        db->Close();
    }
    out.commit();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: mrv-mklib <sample text> <design master> <sample library>\n");
        return 2;
    }
    try {
        const Sample sample = parse(args.at(1));
        writeLibrary(args.at(2), sample, false);
        writeLibrary(args.at(3), sample, true);
    } catch (const engine::Error& err) {
        std::fprintf(stderr, "mrv-mklib: %s\n", err.what());
        return 1;
    }
    return 0;
}
