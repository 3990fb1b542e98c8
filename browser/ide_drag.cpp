#include "browser/ide_drag.h"

#include "browser/MRVDocument.h"
#include "platform/dochost.h"
#include "platform/ui.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/form_routines.h"
#include "store/settings.h"
#include "store/startup.h"

namespace browser {

namespace {

const QString LF = QStringLiteral("\n");
const QString kNotFound = QStringLiteral("NOT FOUND");
const QString kWatcherClass = QStringLiteral("Morvane.cVBIDE");
constexpr int kHelpContext = 48;

QString sharedModuleFolder() {
    return store::GetSetting(store::generalAppName(), QStringLiteral("General Properties"),
                             QStringLiteral("Shared Module Folder"), kNotFound);
}

}  // namespace

bool IdeDragLink::idePresent() {
    return store::CountVisibleWindows(nullptr, store::kIdeWindowTitle) > 0;
}

void IdeDragLink::startFileDrag(MRVDocument* document, const std::function<void()>& showProperties) {
    if (!idePresent()) {
        document->setVBInstance(nullptr);
        delete m_watcher.data();
        return;
    }
    const int style = ui::vbOKOnly | ui::vbExclamation | ui::vbMsgBoxSetForeground;
    QString folder = sharedModuleFolder();
    if (folder == kNotFound) {
        ui::MsgBox(QStringLiteral("You have not specified a 'Shared Module Folder' for ") +
                       QStringLiteral("storing code files(like .bas, .cls, .frm).") + LF + LF +
                       QStringLiteral("The Morvane uses this ") +
                       QStringLiteral("folder when your Drag code files to the ") +
                       QStringLiteral("Visual Basic Project window.  Please select ") +
                       QStringLiteral("your 'Shared Module Folder' now."),
                   style | ui::vbMsgBoxHelpButton, QStringLiteral("Specify a Shared Module Folder"),
                   store::helpFile(), kHelpContext);
        if (showProperties) showProperties();
        folder = sharedModuleFolder();
        if (folder == kNotFound) return;
    }
    if (folder.endsWith(u'/') && folder.size() > 1) folder.chop(1);
    if (folder.isEmpty() || !store::PathExists(folder)) {
        ui::MsgBox(QStringLiteral("Your 'Shared Module Folder' DOES NOT EXIST!") + LF + LF +
                       QStringLiteral("Create the folder and select ") +
                       QStringLiteral("it from the System Properties window."),
                   style, QStringLiteral("Shared Module Folder does not exist"), store::helpFile(),
                   kHelpContext);
        return;
    }
    QObject* vbe = document->VBInstance();
    if (!vbe) return;
    try {
        if (!m_watcher) m_watcher = dochost::createObject(kWatcherClass, document);
        dochost::setObjectProperty(m_watcher, "VBInstance", QVariant::fromValue(vbe));
    } catch (const mrv::Error& e) {
        store::ReportError(e, QStringLiteral("MRVDocument.lstvProcs_OLEStartDrag"), document);
    }
}

void IdeDragLink::fileWritten(const QString& path) {
    if (m_watcher) dochost::setObjectProperty(m_watcher, "DragFile", path);
}

void IdeDragLink::completeFileDrag(MRVDocument* document, const QString& dragFilePath) {
    if (!idePresent() || document->VBInstance() || m_noProjectWarning) return;
    const QString ending = dragFilePath.right(4).toUpper();
    if (ending != QLatin1String(".FRM") && ending != QLatin1String(".BAS") && ending != QLatin1String(".CLS"))
        return;
    const int answer = ui::MsgBox(QStringLiteral("WARNING:") + LF + LF +
                                      QStringLiteral("When you Drag a file into the Visual Basic ") +
                                      QStringLiteral("Project window, the file is extracted to the ") +
                                      QStringLiteral("Windows 'Temp Folder', and WILL BE DELETED!  ") +
                                      QStringLiteral("When dragging a file into the Visual Basic ") +
                                      QStringLiteral("Project window, you should run the Morvane ") +
                                      QStringLiteral("from the VB Add-In menu so it can identify the ") +
                                      QStringLiteral("Project, and store it in the 'Project's Folder', ") +
                                      QStringLiteral("or the 'Shared Module Folder'.") + LF + LF +
                                      QStringLiteral("Would you like to continue to receive this warning?"),
                                  ui::vbYesNo | ui::vbQuestion | ui::vbMsgBoxSetForeground,
                                  QStringLiteral("Visual Basic Warning!"), store::helpFile(), kHelpContext);
    if (answer == ui::vbNo) m_noProjectWarning = true;
}

}  // namespace browser
