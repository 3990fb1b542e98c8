#include "store/startup.h"

#include "platform/private_profile.h"
#include "platform/registry.h"
#include "platform/sound.h"
#include "platform/ui.h"
#include "store/codelib.h"
#include "store/paths.h"
#include "store/settings.h"

#include <QGuiApplication>
#include <QStandardPaths>

namespace store {

namespace {

const QString kAddInSection = QStringLiteral("Add-Ins32");
const QString kAddInKey = QStringLiteral("Morvane.Connect");

struct ProcessState {
    QString helpFile;
    ServerBusyTexts busyTexts;
};

ProcessState& process() {
    static ProcessState s;
    return s;
}

// The list is the IDE's and other add-ins': one that cannot be read is left alone, and the user told.
void changeAddInList(const QString& value) {
    QString error;
    if (platform::WritePrivateProfileString(kAddInSection, kAddInKey, value, addInListPath(), &error)) return;
    ui::MsgBox(QStringLiteral("The add-in list '") + addInListPath() +
                   QStringLiteral("' cannot be read or written, so it was left as it is:\n\n") + error,
               ui::vbOKOnly | ui::vbExclamation | ui::vbMsgBoxSetForeground, QStringLiteral("Add-In List"));
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
    changeAddInList(QStringLiteral("0"));
}

void UnregisterAddIn() {
    // Only our entry goes (nothing is written when it is absent); the other add-ins' lines stay as
    // they are, in their order.
    changeAddInList(QString());
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
    // The sounds go with windows: a program without a display (the command line) plays none.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) sound::playFile(file);
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

}  // namespace store
