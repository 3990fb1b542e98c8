#pragma once

// The per-user settings store: a tree of application name, section and key, each key holding one
// text value. Backslashes in application and section names form sub-levels of the tree. Kept in one
// INI file in the user's config folder.

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace store {

// "Varnholt Software\Morvane": settings shared by every kind of instance.
QString generalAppName();
// The general name followed by an instance suffix such as "\(Client)".
QString instanceAppName(const QString& suffix);

// A missing key gives the default; values are always text.
QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
void SaveSetting(const QString& app, const QString& section, const QString& key, const QString& value);
// Several keys of one section, written to the file at once.
void SaveSettings(const QString& app, const QString& section,
                  const QList<std::pair<QString, QString>>& values);
// Removes one key, or the whole section when key is empty.
void DeleteSetting(const QString& app, const QString& section, const QString& key = QString());
// The keys of a section, in the order the store keeps them.
QStringList GetSettingKeys(const QString& app, const QString& section);

// The file behind the store (for diagnostics and tests).
QString settingsFilePath();

// The number a setting's text starts with, as the old Val read it: blanks anywhere are skipped,
// "&H" and "&O" introduce hexadecimal and octal; 0 when the text starts with no number.
double Val(const QString& text);
// A measure as stored: the decimal text of a single-precision number ("9600", "1234.5").
QString singleText(double value);
// A stored measure read back; a text that is no number raises error 13 "Type mismatch".
double toSingle(const QString& text);

// Field index (from 1) of text split at delimiter (one character): "" when the text has fewer
// fields, except that field 1 (or an index below 1) is the text up to the first delimiter.
QString GetToken(int index, const QString& text, const QString& delimiter);

// Puts item + ";" + extra at the top of the recent list in section (keys "1", "2", ...; a missing
// key reads as "END"): the older entries follow from key "3" on, newest first, up to key limit + 1;
// key "2" stays empty, as readers of these lists expect. Entries whose file (their first field) no
// longer exists and copies of the new entry (ignoring case) are dropped.
void AddToRecentList(const QString& item, const QString& extra, const QString& app, const QString& section,
                     int limit);

// The drag-and-drop question: shown (and its answer returned) only while the general setting
// "Use Drag & Drop Prompts" reads as 1; otherwise the answer is Yes (6) without asking.
int DragDropPrompt(const QString& prompt, int buttons, const QString& title);

// A registry value under root (a root handle as decimal text): a string as it stands, a double word
// as its decimal number, "" when the key or value is missing or of another type.
QString RegGetValue(const QString& root, const QString& subKey, const QString& valueName);

}  // namespace store
