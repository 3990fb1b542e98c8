#include "platform/private_profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <optional>

namespace platform {

namespace {

const QChar kNul(u'\0');

QStringList readLines(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QString text = QString::fromUtf8(f.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();  // the final line break
    return lines;
}

bool writeLines(const QStringList& lines, const QString& file) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QString text = lines.join(u'\n');
    if (!lines.isEmpty()) text += u'\n';
    f.write(text.toUtf8());
    return f.commit();
}

std::optional<QString> headerName(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith(u'[')) return std::nullopt;
    const qsizetype close = t.indexOf(u']');
    return (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
}

bool isEntry(const QString& line) {
    const QString t = line.trimmed();
    return !t.isEmpty() && !t.startsWith(u';');
}

QString entryKey(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    return (eq < 0 ? line : line.left(eq)).trimmed();
}

QString entryValue(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0) return QString();
    QString value = line.mid(eq + 1).trimmed();
    // A value written between quotes reads without them.
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == u'"' || value.front() == u'\''))
        value = value.mid(1, value.size() - 2);
    return value;
}

// The lines of one section: its header's index and the index after its last line.
struct SectionSpan {
    qsizetype header = -1;
    qsizetype end = -1;
    bool found() const { return header >= 0; }
};

SectionSpan findSection(const QStringList& lines, const QString& section) {
    SectionSpan span;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<QString> name = headerName(lines[i]);
        if (!name) continue;
        if (span.found()) {
            span.end = i;
            return span;
        }
        if (name->compare(section.trimmed(), Qt::CaseInsensitive) == 0) span.header = i;
    }
    if (span.found()) span.end = lines.size();
    return span;
}

// Where a new entry of the section goes: after its last entry, before the blank lines that part it
// from the next section.
qsizetype appendPoint(const QStringList& lines, const SectionSpan& span) {
    qsizetype at = span.end;
    while (at > span.header + 1 && lines[at - 1].trimmed().isEmpty()) --at;
    return at;
}

void appendSection(QStringList& lines, const QString& section, const QStringList& entries) {
    if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines.append(QString());
    lines.append(u'[' + section + u']');
    lines.append(entries);
}

}  // namespace

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                int size, const QString& file) {
    const QStringList lines = readLines(file);
    const SectionSpan span = findSection(lines, section);
    QString value = defaultValue;
    if (span.found()) {
        for (qsizetype i = span.header + 1; i < span.end; ++i) {
            if (isEntry(lines[i]) && entryKey(lines[i]).compare(key.trimmed(), Qt::CaseInsensitive) == 0) {
                value = entryValue(lines[i]);
                break;
            }
        }
    }
    return value.left(qMax(size - 1, 0));
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file) {
    QStringList lines = readLines(file);
    const SectionSpan span = findSection(lines, section);
    if (key.isNull()) {
        if (!span.found()) return true;
        lines.remove(span.header, span.end - span.header);
        return writeLines(lines, file);
    }
    const QString entry = key.trimmed() + u'=' + value;
    if (!span.found()) {
        if (value.isNull()) return true;
        appendSection(lines, section, {entry});
        return writeLines(lines, file);
    }
    for (qsizetype i = span.header + 1; i < span.end; ++i) {
        if (!isEntry(lines[i]) || entryKey(lines[i]).compare(key.trimmed(), Qt::CaseInsensitive) != 0)
            continue;
        if (value.isNull())
            lines.removeAt(i);
        else
            lines[i] = entryKey(lines[i]) + u'=' + value;  // the key keeps its spelling
        return writeLines(lines, file);
    }
    if (value.isNull()) return true;
    lines.insert(appendPoint(lines, span), entry);
    return writeLines(lines, file);
}

QString GetPrivateProfileSection(const QString& section, int size, const QString& file) {
    const QStringList lines = readLines(file);
    const SectionSpan span = findSection(lines, section);
    if (!span.found() || size <= 0) return QString();
    QString text;
    for (qsizetype i = span.header + 1; i < span.end; ++i) {
        if (!isEntry(lines[i])) continue;
        const QString& line = lines[i];
        text += line.contains(u'=') ? entryKey(line) + u'=' + entryValue(line) : line.trimmed();
        text += kNul;
    }
    if (text.size() + 1 > size) text = text.left(qMax(size - 2, 0)) + kNul;
    return text + kNul;
}

bool WritePrivateProfileSection(const QString& section, const QString& data, const QString& file) {
    QStringList entries;
    for (const QString& entry : data.split(kNul)) {
        if (entry.isEmpty()) break;
        entries.append(entry);
    }
    QStringList lines = readLines(file);
    const SectionSpan span = findSection(lines, section);
    if (!span.found()) {
        appendSection(lines, section, entries);
        return writeLines(lines, file);
    }
    // Comments and blank lines inside the section go with the old entries; the blank lines before
    // the next section stay.
    const qsizetype end = appendPoint(lines, span);
    lines.remove(span.header + 1, end - span.header - 1);
    for (qsizetype i = 0; i < entries.size(); ++i) lines.insert(span.header + 1 + i, entries[i]);
    return writeLines(lines, file);
}

}  // namespace platform
