#pragma once

// Private profile files ("name.ini"): sections of "key=value" lines. Section and key names compare
// without regard to case. Lines the routines do not touch (other sections, comments, blank lines)
// stay as they were, in their order. Sizes are those of a caller's character buffer, terminators
// included, so a result is cut where that buffer would have cut it.

#include <QString>

namespace platform {

// The value of key in section, or defaultValue when either is missing; at most size - 1 characters.
QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                int size, const QString& file);

// Sets key to value, keeping its place when it exists and appending it to its section otherwise;
// the section is appended to the file when missing. A null value removes the key; a null key
// removes the whole section. False when the file cannot be written.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file);

// The section's entries, each "key=value" and each followed by a NUL, with one more NUL at the end;
// "" when the section is missing. When the entries do not fit size characters they are cut to
// size - 2 and still end in two NULs.
QString GetPrivateProfileSection(const QString& section, int size, const QString& file);

// Replaces the section's entries by those of data ("key=value" entries each ended by a NUL; a
// second NUL, or the end of the text, ends the list). The section keeps its place; a missing one
// is appended. False when the file cannot be written.
bool WritePrivateProfileSection(const QString& section, const QString& data, const QString& file);

}  // namespace platform
