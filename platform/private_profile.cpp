#include "platform/private_profile.h"

#include "base/replace_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <optional>

namespace platform {

namespace {

// One line as it stands in the file (without its "\n") and as text; a line we wrote has no bytes
// of its own until the file is written.
struct Line {
    QByteArray raw;
    QString text;
    bool ours = false;
};

struct Profile {
    QList<Line> lines;
    bool crlf = false;  // the file's own line ends, used for the lines we add
    bool finalNewline = true;
};

// The file's lines; nothing when it exists but cannot be read.
std::optional<Profile> readProfile(const QString& file, QString* error) {
    Profile profile;
    QFile f(file);
    if (!f.exists()) return profile;
    QByteArray bytes;
    if (f.open(QIODevice::ReadOnly)) bytes = f.readAll();
    if (!f.isOpen() || f.error() != QFileDevice::NoError) {
        if (error) *error = f.errorString();
        return std::nullopt;
    }
    if (bytes.isEmpty()) return profile;
    profile.finalNewline = bytes.endsWith('\n');
    if (profile.finalNewline) bytes.chop(1);
    for (const QByteArray& raw : bytes.split('\n')) {
        const bool cr = raw.endsWith('\r');
        if (cr && profile.lines.isEmpty()) profile.crlf = true;
        profile.lines.append({raw, QString::fromUtf8(cr ? raw.chopped(1) : raw), false});
    }
    return profile;
}

bool writeProfile(const Profile& profile, const QString& file, QString* error) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    QByteArray bytes;
    for (qsizetype i = 0; i < profile.lines.size(); ++i) {
        const Line& line = profile.lines[i];
        if (i > 0) bytes += '\n';
        bytes += line.ours ? line.text.toUtf8() + (profile.crlf ? "\r" : "") : line.raw;
    }
    if (!profile.lines.isEmpty() && (profile.finalNewline || profile.lines.last().ours)) bytes += '\n';
    try {
        mrv::replaceFileContent(file, bytes);
        return true;
    } catch (const mrv::Error& e) {
        if (error) *error = e.description();
        return false;
    }
}

Line ourLine(const QString& text) {
    return {QByteArray(), text, true};
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

SectionSpan findSection(const QList<Line>& lines, const QString& section) {
    SectionSpan span;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<QString> name = headerName(lines[i].text);
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

qsizetype findKey(const QList<Line>& lines, const SectionSpan& span, const QString& key) {
    for (qsizetype i = span.header + 1; i < span.end; ++i)
        if (isEntry(lines[i].text) &&
            entryKey(lines[i].text).compare(key.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// Where a new entry of the section goes: after its last entry, before the blank lines that part it
// from the next section.
qsizetype appendPoint(const QList<Line>& lines, const SectionSpan& span) {
    qsizetype at = span.end;
    while (at > span.header + 1 && lines[at - 1].text.trimmed().isEmpty()) --at;
    return at;
}

}  // namespace

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                int size, const QString& file) {
    const std::optional<Profile> profile = readProfile(file, nullptr);
    QString value = defaultValue;
    if (profile) {
        const SectionSpan span = findSection(profile->lines, section);
        const qsizetype at = span.found() ? findKey(profile->lines, span, key) : -1;
        if (at >= 0) value = entryValue(profile->lines[at].text);
    }
    return value.left(qMax(size - 1, 0));
}

QList<QPair<QString, QString>> GetPrivateProfileEntries(const QString& section, const QString& file) {
    QList<QPair<QString, QString>> entries;
    const std::optional<Profile> profile = readProfile(file, nullptr);
    if (!profile) return entries;
    const SectionSpan span = findSection(profile->lines, section);
    for (qsizetype i = span.header + 1; span.found() && i < span.end; ++i)
        if (isEntry(profile->lines[i].text))
            entries.append({entryKey(profile->lines[i].text), entryValue(profile->lines[i].text)});
    return entries;
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file, QString* error) {
    std::optional<Profile> profile = readProfile(file, error);
    if (!profile) return false;
    QList<Line>& lines = profile->lines;
    const SectionSpan span = findSection(lines, section);
    if (key.isNull()) {
        if (!span.found()) return true;
        lines.remove(span.header, span.end - span.header);
    } else if (!span.found()) {
        if (value.isNull()) return true;
        if (!lines.isEmpty() && !lines.last().text.trimmed().isEmpty()) lines.append(ourLine(QString()));
        lines.append(ourLine(u'[' + section + u']'));
        lines.append(ourLine(key.trimmed() + u'=' + value));
    } else if (const qsizetype at = findKey(lines, span, key); at >= 0) {
        if (value.isNull())
            lines.removeAt(at);
        else
            lines[at] = ourLine(entryKey(lines[at].text) + u'=' + value);  // the key keeps its spelling
    } else {
        if (value.isNull()) return true;
        lines.insert(appendPoint(lines, span), ourLine(key.trimmed() + u'=' + value));
    }
    return writeProfile(*profile, file, error);
}

}  // namespace platform
