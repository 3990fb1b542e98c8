#include "ide/cVBIDE.h"

#include "platform/ui.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/settings.h"
#include "store/startup.h"

namespace ide {

namespace {

const QString LF = QStringLiteral("\n");
const QString kIndent = QStringLiteral("   ");
const QString kTemp = QStringLiteral("This file has been saved in the 'Windows ") +
                      QStringLiteral("Temp' folder, and WILL BE DELETED.");

QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

}  // namespace

cVBIDE::cVBIDE(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("cVBIDE"));
}

void cVBIDE::setVBInstance(QObject* vbe) {
    if (m_fileEvents) disconnect(m_fileEvents, nullptr, this, nullptr);
    m_vbe = qobject_cast<VBE*>(vbe);
    m_fileEvents = nullptr;
    if (!m_vbe) return;
    m_fileEvents = m_vbe->Events()->FileEvents(nullptr);
    connect(m_fileEvents, &FileEventSource::AfterAddFile, this, &cVBIDE::VB_FileEvents_AfterAddFile);
}

void cVBIDE::VB_FileEvents_AfterAddFile(VBProject* project, int, const QString& fileName) {
    if (fileName.trimmed().toUpper() != m_dragFile.trimmed().toUpper()) {
        m_dragFile.clear();
        return;
    }
    try {
        handle(project, fileName);
    } catch (const mrv::Error& e) {
        // The IDE's own errors stop here: nothing above an IDE event can take them.
        store::ReportError(e, QStringLiteral("cVBIDE.VB_FileEvents_AfterAddFile"));
    }
}

void cVBIDE::handle(VBProject* project, const QString& fileName) {
    const QString folder = store::GetSetting(store::generalAppName(), QStringLiteral("General Properties"),
                                             QStringLiteral("Shared Module Folder"), QString());
    const QString name = store::FileNamePart(fileName);
    // The setting may or may not end in a separator; the file goes inside the folder either way.
    const QString sharedFolder = folder.endsWith(u'/') ? folder.chopped(1) : folder;
    // No folder set is no folder at all, not the root: nothing can be saved there.
    const QString sharedPath = folder.isEmpty() ? QString() : sharedFolder + u'/' + name;
    const QString projectName = project->Name();
    const bool notSaved = project->FileName().isEmpty();
    const QString projectFolder = store::ParentFolder(project->FileName());
    const QString projectPath = projectFolder + u'/' + name;
    const QString help = store::helpFile();
    constexpr int warn = ui::vbOKOnly | ui::vbExclamation | ui::vbMsgBoxSetForeground;
    constexpr int ask = ui::vbYesNo | ui::vbQuestion | ui::vbMsgBoxSetForeground;
    const auto refused = [&] {
        ui::MsgBox(
            QStringLiteral("This file ") + quoted(name) + QStringLiteral(" has been saved in the 'Windows ") +
                QStringLiteral("Temp' folder, and WILL BE DELETED.") + LF + LF + QStringLiteral("WARNING:") +
                LF + QStringLiteral("You should REMOVE this ") + QStringLiteral("file from your Project."),
            warn, QStringLiteral("WARNING: REMOVE THIS FILE!"));
    };

    VBComponentsCollection* components = m_vbe->VBProjects()->Item(projectName)->VBComponents();
    const int count = components->Count();
    for (int i = 1; i <= count; ++i) {
        VBComponent* component = components->Item(i);
        if (component->FileNames(1) != fileName) continue;
        const bool inShared = store::PathExists(sharedPath);
        if (notSaved) {
            if (inShared) {
                ui::MsgBox(QStringLiteral("This Project ") + quoted(projectName) +
                               QStringLiteral(" has NOT yet been SAVED!") + LF + LF +
                               QStringLiteral("The dropped file ") + quoted(name) +
                               QStringLiteral(" ALREADY EXISTS in the 'Shared Folder'.  ") +
                               QStringLiteral("So, it has been saved in the 'Windows ") +
                               QStringLiteral("Temp' folder, and WILL BE DELETED.") + LF + LF +
                               QStringLiteral("WARNING:") + LF + QStringLiteral("You should REMOVE this ") +
                               QStringLiteral("file from your Project, and ADD it from the ") +
                               QStringLiteral("copy that already exists in your 'Shared Folder':") + LF + LF +
                               kIndent + sharedPath,
                           warn, QStringLiteral("WARNING: FILE ALREADY EXISTS!"), help, kHelpContext);
                break;
            }
            ui::MsgBox(QStringLiteral("This Project ") + quoted(projectName) +
                           QStringLiteral(" has NOT yet been SAVED!") + LF + LF +
                           QStringLiteral("The dropped file ") + quoted(name) +
                           QStringLiteral(" will be stored in the 'Shared Folder':") + LF + LF + kIndent +
                           sharedPath,
                       warn, QStringLiteral("Project has not been saved!"), help, kHelpContext);
            component->SaveAs(sharedPath);
            continue;
        }
        const bool inProject = store::PathExists(projectPath);
        if (inShared && inProject) {
            ui::MsgBox(QStringLiteral("The dropped file ") + quoted(name) +
                           QStringLiteral(" ALREADY EXISTS in both the 'Project and Shared Folders'.  ") +
                           kTemp + LF + LF + QStringLiteral("WARNING:") + LF +
                           QStringLiteral("You should REMOVE this ") +
                           QStringLiteral("file from your Project."),
                       warn, QStringLiteral("WARNING: FILE ALREADY EXISTS!"));
            return;
        }
        if (inProject) {
            ui::MsgBox(QStringLiteral("This file already exists in this Project's Folder!"),
                       ui::vbOKOnly | ui::vbExclamation, QStringLiteral("File Exists!"));
            if (ui::MsgBox(QStringLiteral("Save this Module ") + quoted(name) + QStringLiteral(" in the ") +
                               quoted(folder) + QStringLiteral(" Shared Folder?"),
                           ask, QStringLiteral("Where to save this file?")) != ui::vbYes) {
                refused();
                return;
            }
            component->SaveAs(sharedPath);
        } else if (inShared) {
            ui::MsgBox(QStringLiteral("This file already exists in thie 'Shared Folder':") + LF + LF +
                           kIndent + sharedPath,
                       ui::vbOKOnly | ui::vbExclamation, QStringLiteral("File Exists!"));
            if (ui::MsgBox(QStringLiteral("Save this Module ") + quoted(name) +
                               QStringLiteral(" in the 'Project Folder':") + LF + LF + kIndent +
                               projectFolder,
                           ask, QStringLiteral("Where to save this file?")) != ui::vbYes) {
                refused();
                return;
            }
            component->SaveAs(projectPath);
        } else {
            const int answer =
                ui::MsgBox(QStringLiteral("Save this Module ") + quoted(name) + QStringLiteral(" in the ") +
                               quoted(projectName) + QStringLiteral(" 'Projects Folder':") + LF + LF +
                               kIndent + projectFolder + LF + LF +
                               QStringLiteral("Click 'No' to save this file in the 'Shared Folder':") + LF +
                               LF + kIndent + sharedFolder,
                           ask, QStringLiteral("Where to save this file?"));
            component->SaveAs(answer == ui::vbYes ? projectPath : sharedPath);
        }
    }
}

}  // namespace ide
