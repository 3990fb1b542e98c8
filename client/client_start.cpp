#include "client/client_start.h"

#include "client/frmMain.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "store/startup.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <chrono>

namespace client {

qint64 SteadyClock::milliseconds() const {
    using namespace std::chrono;
    return duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString NthField(int n, const QString& text, const QString& delimiter) {
    if (n < 1) return QString();
    if (delimiter.isEmpty()) return n == 1 ? text : QString();
    qsizetype start = 0;
    for (int piece = 1; piece < n; ++piece) {
        const qsizetype at = text.indexOf(delimiter, start);
        if (at < 0) return QString();
        start = at + delimiter.size();
    }
    const qsizetype end = text.indexOf(delimiter, start);
    return end < 0 ? text.mid(start) : text.mid(start, end - start);
}

QString VersionText(const QString& version, const QString& build) {
    if (!version.isEmpty()) {
        const QString firstTwo = NthField(1, version, ".") + '.' + NthField(2, version, ".");
        if (firstTwo == QLatin1String("4.71")) return QStringLiteral("4.0");
        if (firstTwo == QLatin1String("4.72")) return QStringLiteral("4.01");
        if (firstTwo == QLatin1String("5.00")) return QStringLiteral("5.0 Beta 1");
        return version;
    }
    const QString first = NthField(1, build, ".");
    if (first == QLatin1String("308")) return QStringLiteral("1.0");
    if (first == QLatin1String("520")) return QStringLiteral("1.0 or 2.0");
    if (first == QLatin1String("1155")) return QStringLiteral("3.0");
    if (first == QLatin1String("1158")) return QStringLiteral("3.0 (OSR2)");
    if (first == QLatin1String("1215")) return QStringLiteral("3.01");
    if (first == QLatin1String("1300")) return QStringLiteral("3.02");
    return build;
}

QString tooOldMessage(const QString& versionText) {
    return QStringLiteral("The Morvane is designed as a ") +
           QStringLiteral("Client app, and an ActiveX Server Document. ") + '\n' + '\n' +
           QStringLiteral("The Morvane 'Client' Requires Internet Explorer 4.0 ") +
           QStringLiteral("or greater Components to function properly.  You are currently using ") +
           QStringLiteral("Internet Explorer version ") + versionText + QStringLiteral(" (or not at all).") +
           '\n' + '\n' + QStringLiteral("You can still run the Morvane inside Visual Basic as an Add-In!") +
           QStringLiteral("  You may also be able to run the Morvane in your Internet Explorer ") +
           QStringLiteral("(or Netscape with the ActiveX Add-In) Web Browser by opening the ") +
           QStringLiteral("ActiveX 'MRVDocument.vbd' document from the ") +
           QStringLiteral("'\\Program Files\\Varnholt Software\\Morvane' folder.") + '\n' + '\n' +
           QStringLiteral("In addition; if you have the Microsoft Office Binder installed, you may ") +
           QStringLiteral("also be able to open the ActiveX 'MRVDocument.vbd' document using that program.");
}

QString desktopShortcutPath() {
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) +
           QStringLiteral("/morvane.desktop");
}

bool isDebugSwitch(const QString& commandLine) {
    return commandLine.left(6).toUpper() == QLatin1String("/DEBUG");
}

QString commandLineOf(const QStringList& arguments) {
    return arguments.join(u' ').trimmed();
}

QString registryHostValue(const QString& valueName) {
    return store::RegGetString(registry::HKEY_LOCAL_MACHINE,
                               QStringLiteral("Software\\Microsoft\\Internet Explorer"), valueName);
}

std::unique_ptr<frmMain> Main(const QString& commandLine, const Clock& clock,
                              const HostValueReader& readHostValue) {
    const qint64 startTime = clock.milliseconds();
    const QString version = readHostValue(QStringLiteral("Version"));
    if (version.isEmpty()) {
        const QString text = VersionText(version, readHostValue(QStringLiteral("Build")));
        ui::MsgBox(tooOldMessage(text), ui::vbExclamation | ui::vbOKOnly, QStringLiteral("Morvane - Client"));
        // A launcher for a program that cannot run only leads the user here again; a missing one is
        // no error.
        QFile::remove(desktopShortcutPath());
        return nullptr;
    }
    auto main = std::make_unique<frmMain>(clock, startTime);
    if (!main->Form_Load(commandLine)) return nullptr;
    return main;
}

}  // namespace client
