#pragma once

// Private profile files ("name.ini"): sections of "key=value" lines. Section and key names compare
// without regard to case. Lines the routines do not change (other sections, other keys, comments,
// blank lines) are written back byte for byte, whatever their encoding and line ends. Sizes are
// those of a caller's character buffer, terminators included, so a result is cut where that buffer
// would have cut it.

#include <QList>
#include <QPair>
#include <QString>

namespace platform {

// The value of key in section, or defaultValue when either is missing; at most size - 1 characters.
QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                int size, const QString& file);

// The entries of section, in file order, as key and value; empty when the section or the file is
// missing or cannot be read.
QList<QPair<QString, QString>> GetPrivateProfileEntries(const QString& section, const QString& file);

// Sets key to value, keeping its place when it exists and appending it to its section otherwise;
// the section is appended to the file when missing. A null value removes the key; a null key
// removes the whole section. False when the file cannot be written, and when it exists but cannot
// be read: written from nothing, it would lose every other entry. error receives the reason.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file, QString* error = nullptr);

}  // namespace platform
