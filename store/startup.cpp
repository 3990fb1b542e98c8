#include "store/startup.h"

#include "platform/private_profile.h"
#include "platform/registry.h"
#include "platform/sound.h"
#include "store/codelib.h"
#include "store/paths.h"
#include "store/settings.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTextEdit>

namespace store {

namespace {

const QString kAddInSection = QStringLiteral("Add-Ins32");
const QString kAddInKey = QStringLiteral("Morvane.Connect");
const QChar kNul(u'\0');

struct ProcessState {
    QString helpFile;
    ServerBusyTexts busyTexts;
};

ProcessState& process() {
    static ProcessState s;
    return s;
}

// Where the entry key starts in a section text: at the text's start or just after a NUL, followed
// by "=" (a key that merely contains the name is another add-in's).
qsizetype findEntry(const QString& section, const QString& key) {
    for (qsizetype at = 0; at < section.size();) {
        const qsizetype end = section.indexOf(kNul, at);
        const QString entry = section.mid(at, end < 0 ? -1 : end - at);
        const qsizetype eq = entry.indexOf(u'=');
        if (eq >= 0 && entry.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) return at;
        if (end < 0) break;
        at = end + 1;
    }
    return -1;
}

template <typename Edit>
void editText(Edit* edit, int action, bool readOnly) {
    const bool selected = edit->textCursor().hasSelection();
    switch (action) {
        case editCut:
            if (!selected) return;
            if (readOnly)
                edit->copy();
            else
                edit->cut();
            break;
        case editCopy:
            if (selected) edit->copy();
            break;
        case editPaste:
            // As text: a rich clipboard must not bring its formatting into code.
            if (!readOnly) edit->insertPlainText(QApplication::clipboard()->text());
            break;
        case editDelete:
            if (!readOnly) edit->textCursor().removeSelectedText();
            break;
        default:
            break;
    }
}

}  // namespace

void StartUp() {
    startWorkspace();
    ProcessState& s = process();
    s.helpFile = programFolder() + QStringLiteral("/MRVHelp.hlp");
    s.busyTexts = {QStringLiteral("Please wait while the Morvane finishes the current task."),
                   QStringLiteral("Morvane Busy"), QStringLiteral("The Morvane has a Request Pending"),
                   QStringLiteral("Morvane Request Pending")};
}

QString helpFile() {
    return process().helpFile.isEmpty() ? programFolder() + QStringLiteral("/MRVHelp.hlp")
                                        : process().helpFile;
}

const ServerBusyTexts& serverBusyTexts() {
    return process().busyTexts;
}

QString addInListPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/morvane/vbaddin.ini");
}

bool IsAddInRegistered() {
    return !platform::GetPrivateProfileString(kAddInSection, kAddInKey, QString(), 2, addInListPath())
                .isEmpty();
}

void RegisterAddIn() {
    platform::WritePrivateProfileString(kAddInSection, kAddInKey, QStringLiteral("0"), addInListPath());
}

void UnregisterAddIn() {
    // The whole section is read: a cut one written back would lose the other add-ins.
    QString section;
    for (int size = 1000;; size *= 2) {
        section = platform::GetPrivateProfileSection(kAddInSection, size, addInListPath());
        if (section.size() < size) break;
    }
    const qsizetype at = findEntry(section, kAddInKey);
    if (at < 0) return;
    const qsizetype end = section.indexOf(kNul, at);
    section.remove(at, end - at + 1);  // the entry whatever its value's length, with its NUL
    platform::WritePrivateProfileSection(kAddInSection, section, addInListPath());
}

QString eventSoundName(long index) {
    const QStringList names = sound::eventNames();
    return index >= 0 && index < names.size() ? names[index] : QString();
}

QString playEventSoundsAppName() {
    return generalAppName();
}

void PlayEventSound(QString& file, long index) {
    if (Val(GetSetting(playEventSoundsAppName(), QStringLiteral("General Properties"),
                       QStringLiteral("Play Event Sounds"), QStringLiteral("1"))) == 0)
        return;
    if (file.isEmpty())
        file = RegGetString(registry::HKEY_CURRENT_USER,
                            QStringLiteral("AppEvents\\Schemes\\Apps\\.Default\\") + eventSoundName(index) +
                                QStringLiteral("\\.Current"),
                            QString());
    sound::playFile(file);
}

void PlayEventSound(long index) {
    QString file;
    PlayEventSound(file, index);
}

QString RegGetString(std::uint32_t root, const QString& subKey, const QString& valueName,
                     const QString& defaultValue) {
    const std::optional<registry::Value> value = registry::queryValue(root, subKey, valueName);
    return value && value->type == registry::Value::String ? value->text : defaultValue;
}

void EditCommand(int action) {
    QWidget* focused = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focused)) {
        const bool readOnly = line->isReadOnly();
        switch (action) {
            case editCut:
                if (!line->hasSelectedText()) return;
                if (readOnly)
                    line->copy();
                else
                    line->cut();
                break;
            case editCopy:
                if (line->hasSelectedText()) line->copy();
                break;
            case editPaste:
                if (!readOnly) line->paste();
                break;
            case editDelete:
                if (!readOnly && line->hasSelectedText()) line->del();
                break;
            default:
                break;
        }
    } else if (auto* text = qobject_cast<QTextEdit*>(focused)) {
        editText(text, action, text->isReadOnly());
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
        editText(plain, action, plain->isReadOnly());
    }
}

}  // namespace store
