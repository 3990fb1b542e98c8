#include "platform/registry.h"

#include "platform/sound.h"

#include <QStandardPaths>
#include <QStringList>

namespace registry {

namespace {

const QString kSoundEvents = QStringLiteral("AppEvents\\Schemes\\Apps\\.Default");

bool same(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The event named by "AppEvents\Schemes\Apps\.Default\<event>\.Current", or nothing.
std::optional<QString> soundEventOf(const QString& subKey) {
    const QStringList parts = subKey.split(u'\\');
    if (parts.size() != 6 || !same(parts.mid(0, 4).join(u'\\'), kSoundEvents) || !same(parts[5], ".Current"))
        return std::nullopt;
    for (const QString& name : sound::eventNames())
        if (same(name, parts[4])) return name;
    return std::nullopt;
}

QString archiverPath() {
    return QStandardPaths::findExecutable(QStringLiteral("zip"));
}

}  // namespace

bool keyExists(std::uint32_t root, const QString& subKey) {
    switch (root) {
        case HKEY_CURRENT_USER:
            return soundEventOf(subKey).has_value();
        case HKEY_CLASSES_ROOT:
            return same(subKey, QStringLiteral("WinZip\\shell\\open\\command")) && !archiverPath().isEmpty();
        case HKEY_LOCAL_MACHINE:
            return same(subKey, QStringLiteral("Software\\Microsoft\\Internet Explorer"));
        default:
            return false;
    }
}

std::optional<Value> queryValue(std::uint32_t root, const QString& subKey, const QString& valueName) {
    if (!keyExists(root, subKey)) return std::nullopt;
    switch (root) {
        case HKEY_CURRENT_USER:
            if (!valueName.isEmpty()) return std::nullopt;
            return Value{Value::String, sound::findThemeSound(sound::soundIdForEvent(*soundEventOf(subKey))),
                         0};
        case HKEY_CLASSES_ROOT:
            if (!valueName.isEmpty()) return std::nullopt;
            return Value{Value::String, archiverPath(), 0};
        case HKEY_LOCAL_MACHINE:
            if (!same(valueName, QStringLiteral("Version"))) return std::nullopt;
            return Value{Value::String, documentHostVersion(), 0};
        default:
            return std::nullopt;
    }
}

std::uint32_t rootFromText(const QString& text) {
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    if (!ok || n < -2147483648LL || n > 4294967295LL) return 0;
    return std::uint32_t(n);  // a negative handle wraps to the same bits
}

QString documentHostVersion() {
    // For now the toolkit's own version; what the hosting components report is decided with the
    // client.
    return QString::fromLatin1(qVersion());
}

}  // namespace registry
