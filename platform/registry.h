#pragma once

// A read-only view standing in for the system registry. It answers the few keys the program reads
// from facts of this desktop; every other key or value is absent:
//   HKEY_CURRENT_USER  AppEvents\Schemes\Apps\.Default\<event>\.Current  (default value)
//       the event's sound file in the sound theme ("" when the theme has none)
//   HKEY_CLASSES_ROOT  WinZip\shell\open\command  (default value)
//       the archiver: the path of "zip" found on PATH
//   HKEY_LOCAL_MACHINE Software\Microsoft\Internet Explorer  "Version"
//       the version of the document host's components
// Key and value names compare without regard to case; "" names a key's default value.

#include <QString>

#include <cstdint>
#include <optional>

namespace registry {

enum Root : std::uint32_t {
    HKEY_CLASSES_ROOT = 0x80000000u,
    HKEY_CURRENT_USER = 0x80000001u,
    HKEY_LOCAL_MACHINE = 0x80000002u,
    HKEY_USERS = 0x80000003u,
};

struct Value {
    enum Type { String, DWord } type = String;
    QString text;
    std::uint32_t number = 0;
};

bool keyExists(std::uint32_t root, const QString& subKey);
// The value, or nothing when the key or the value is absent.
std::optional<Value> queryValue(std::uint32_t root, const QString& subKey, const QString& valueName);

// A root handle given as decimal text, signed ("-2147483648") or not ("2147483648"); 0 when the
// text is not a number.
std::uint32_t rootFromText(const QString& text);

// The version of the components that host the browser document.
QString documentHostVersion();

}  // namespace registry
