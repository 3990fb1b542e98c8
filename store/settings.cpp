#include "store/settings.h"

#include "platform/registry.h"
#include "platform/ui.h"
#include "store/engine/error.h"
#include "store/files.h"

#include <QDir>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace store {

namespace {

// The tree's path in QSettings' terms: '/' separates levels, so '\' in names becomes '/'.
QString treePath(const QString& app, const QString& section) {
    QString path = app + '/' + section;
    path.replace('\\', '/');
    return path;
}

QSettings& settings() {
    // Re-created when the config folder changes (each test has its own).
    static std::unique_ptr<QSettings> current;
    const QString file = settingsFilePath();
    if (!current || current->fileName() != file) {
        current = std::make_unique<QSettings>(file, QSettings::IniFormat);
    }
    return *current;
}

}  // namespace

QString generalAppName() {
    return QStringLiteral("Varnholt Software\\Morvane");
}

QString instanceAppName(const QString& suffix) {
    return generalAppName() + suffix;
}

QString settingsFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/morvane/settings.ini";
}

QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& defaultValue) {
    QSettings& s = settings();
    s.sync();  // another process may have written since
    const QVariant value = s.value(treePath(app, section) + '/' + key);
    if (!value.isValid()) return defaultValue;
    // A hand-edited value with commas reads back as a list.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(", ");
    return value.toString();
}

void SaveSetting(const QString& app, const QString& section, const QString& key, const QString& value) {
    QSettings& s = settings();
    const QString path = treePath(app, section) + '/' + key;
    // Writing the file costs a lock, a copy and a flush to disk: a value that is already there (as
    // another process may have left it) is not written again.
    s.sync();
    const QVariant current = s.value(path);
    if (current.typeId() == QMetaType::QString && current.toString() == value) return;
    s.setValue(path, value);
    s.sync();
}

void SaveSettings(const QString& app, const QString& section,
                  const QList<std::pair<QString, QString>>& values) {
    QSettings& s = settings();
    for (const auto& [key, value] : values) s.setValue(treePath(app, section) + '/' + key, value);
    s.sync();
}

void DeleteSetting(const QString& app, const QString& section, const QString& key) {
    QSettings& s = settings();
    s.remove(key.isEmpty() ? treePath(app, section) : treePath(app, section) + '/' + key);
    s.sync();
}

QStringList GetSettingKeys(const QString& app, const QString& section) {
    QSettings& s = settings();
    s.sync();
    s.beginGroup(treePath(app, section));
    const QStringList keys = s.childKeys();
    s.endGroup();
    return keys;
}

double Val(const QString& text) {
    QString t = text;
    t.remove(QRegularExpression(QStringLiteral("[ \\t\\r\\n]")));
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive) ||
        t.startsWith(QLatin1String("&O"), Qt::CaseInsensitive)) {
        const bool hex = t.at(1).toUpper() == u'H';
        static const QRegularExpression hexDigits(QStringLiteral("^[0-9A-Fa-f]+"));
        static const QRegularExpression octDigits(QStringLiteral("^[0-7]+"));
        const QRegularExpressionMatch m = (hex ? hexDigits : octDigits).match(t.mid(2));
        return m.hasMatch() ? double(m.captured().toLongLong(nullptr, hex ? 16 : 8)) : 0.0;
    }
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?"));
    const QRegularExpressionMatch m = number.match(t);
    if (!m.hasMatch()) return 0.0;
    QString n = m.captured();
    n.replace(u'd', u'e').replace(u'D', u'e');
    return n.toDouble();
}

QString singleText(double value) {
    return QString::number(float(value), 'g', 7);
}

double toSingle(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok) throw engine::Error(13, QStringLiteral("Type mismatch"));
    return double(float(value));
}

QString GetToken(int index, const QString& text, const QString& delimiter) {
    if (delimiter.isEmpty()) return index <= 1 ? text : QString();
    const QChar delim = delimiter.front();
    qsizetype pos = 0;
    for (int i = 1; i < index; ++i) {
        const qsizetype found = text.indexOf(delim, pos);
        if (found < 0) return QString();
        pos = found + 1;
    }
    const qsizetype end = text.indexOf(delim, pos);
    return end < 0 ? text.mid(pos) : text.mid(pos, end - pos);
}

void AddToRecentList(const QString& item, const QString& extra, const QString& app, const QString& section,
                     int limit) {
    limit = qMax(limit, 0);
    const auto key = [](int n) { return QString::number(n); };
    QStringList kept;
    for (int k = 1; k <= limit && kept.size() < limit; ++k) {
        const QString value = GetSetting(app, section, key(k), QStringLiteral("END"));
        if (value.isEmpty() || value == QLatin1String("END")) continue;
        if (FileExists(GetToken(1, value, QStringLiteral(";")))) kept.append(value);
    }
    // Key limit + 1 is cleared too: it is only rewritten when the list was full, and a stale entry
    // there would outlive its file or repeat the new one. written mirrors keys 1 to limit + 1.
    QStringList written(limit + 1);
    written[0] = item + u';' + extra;
    for (int i = 1; i <= limit - 1 && i <= kept.size(); ++i) {
        const QString& value = kept[i - 1];
        if (value == item) continue;
        bool present = false;
        for (int k = 1; k <= limit && !present; ++k)
            present = written[k - 1].compare(value, Qt::CaseInsensitive) == 0;
        if (!present) written[i + 1] = value;
    }
    QList<std::pair<QString, QString>> values;
    for (int k = 1; k <= limit + 1; ++k) values.append({key(k), written[k - 1]});
    SaveSettings(app, section, values);
}

int DragDropPrompt(const QString& prompt, int buttons, const QString& title) {
    if (Val(GetSetting(generalAppName(), QStringLiteral("General Properties"),
                       QStringLiteral("Use Drag & Drop Prompts"), QStringLiteral("1"))) != 1)
        return ui::vbYes;
    return ui::MsgBox(prompt, buttons, title);
}

QString RegGetValue(const QString& root, const QString& subKey, const QString& valueName) {
    const std::optional<registry::Value> value =
        registry::queryValue(registry::rootFromText(root), subKey, valueName);
    if (!value) return QString();
    if (value->type == registry::Value::DWord) return QString::number(qint32(value->number));
    QString text = value->text;
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

}  // namespace store
