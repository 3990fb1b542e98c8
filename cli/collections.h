#pragma once

// Other snippet collections, read into items before anything is written, and the library written out
// in their forms: VS Code snippet files, pet's snippet.toml and a plain folder tree.

#include "cli/catalog.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace cli {

struct Snippet {
    QStringList category;  // below the category imported into; empty: that category itself
    ItemData item;
};

struct Collection {
    QList<QStringList> categories;  // made even when empty (a folder tree's empty folders)
    std::vector<Snippet> snippets;
    QStringList notes;  // what was left out, for standard error
};

// Read whole or not at all: a malformed file throws Failure naming the file and, where it can, the line.
// path is a snippet file or a folder of them (*.code-snippets, <language>.json).
Collection readVsCode(const QString& path);
Collection readPet(const QString& path);
// Folders become categories; .url and .desktop links web shortcuts; UTF-8 text files text items; any
// other file a stored file. The file name is the item's name.
Collection readFolder(const QString& path);

// A JSON text with the comments and trailing commas VS Code allows turned into blanks.
QByteArray plainJson(const QByteArray& text);

// The prefix line a snippet's description keeps when its prefix is not its name.
inline const QString kPrefixLine = QStringLiteral("Prefix: ");

// The items of the category subtrees (everything when keys is empty), text items only, as a VS Code
// snippet file / a pet snippet.toml. skipped counts the items of other types.
QByteArray vsCodeSnippets(engine::Database& db, const Catalog& catalog, const QList<qint64>& keys,
                          int& skipped);
QByteArray petSnippets(engine::Database& db, const Catalog& catalog, const QList<qint64>& keys, int& skipped);

// Writes the category (0: the whole library) as a folder tree into folder, which exists and is empty:
// categories as folders, items as files under their names (web shortcuts as .url files). Names that
// cannot be file names are made safe; names taken twice get " (2)", " (3)". The number of files.
int writeFolder(engine::Database& db, const Catalog& catalog, qint64 category, const QString& folder);

}  // namespace cli
