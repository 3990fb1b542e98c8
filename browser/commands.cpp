// The browser's commands: one table from tool name to what the tool does, the guard that asks for
// a library when none is open, and the commands the document carries out itself (views, menu bar,
// help, web site, mail, the IDE add-in entry, hiding or closing).

#include "browser/MRVDocument.h"

#include "browser/document_p.h"
#include "platform/controls.h"
#include "platform/help.h"
#include "platform/toolbar.h"
#include "platform/ui.h"
#include "prefs/frmAbout.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/form_routines.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QCheckBox>
#include <QFrame>
#include <QPointer>
#include <QSet>

namespace browser {

using namespace detail;

namespace {

// Commands that have a row but are not built yet: their tools stay disabled, their tips say so.
// Taking a name out of this set is all it takes to offer the command.
const QSet<QString>& unbuiltCommands() {
    static const QSet<QString> names{
        QStringLiteral("BTN_EMAIL_LIBRARY"),
    };
    return names;
}

const QString kNotBuiltTip = QStringLiteral(" (not available yet)");

}  // namespace

const QHash<QString, MRVDocument::CommandRun>& MRVDocument::commandTable() {
    // Captureless lambdas: the table is built once and shared by every document.
    static const QHash<QString, CommandRun> table{
        {QStringLiteral("BTN_EMAIL_LIBRARY"),
         [](MRVDocument& d, const QString&) { d.notBuiltYet(QStringLiteral("BTN_EMAIL_LIBRARY")); }},
        {QStringLiteral("BTN_OPENFILE"), [](MRVDocument& d, const QString&) { d.ProcFileOpen(); }},
        {QStringLiteral("BTN_FILEPROPERTIES"),
         [](MRVDocument& d, const QString&) { d.ProcFileProperties(); }},
        {QStringLiteral("BTN_New"), [](MRVDocument& d, const QString&) { d.ProcNew(); }},
        {QStringLiteral("BTN_Edit"), [](MRVDocument& d, const QString&) { d.ProcEdit(); }},
        {QStringLiteral("BTN_DELETE"), [](MRVDocument& d, const QString&) { d.ProcDelete(); }},
        {QStringLiteral("BTN_COPYPROC"), [](MRVDocument& d, const QString&) { d.ProcCopy(); }},
        {QStringLiteral("BTN_CAT_ADDCHILD"), [](MRVDocument& d, const QString&) { d.CatAddChild(); }},
        {QStringLiteral("BTN_CAT_DELCHILD"), [](MRVDocument& d, const QString&) { d.CatDelete(); }},
        {QStringLiteral("BTN_CLEAR_CAT_IMAGE"), [](MRVDocument& d, const QString&) { d.CatClearImage(); }},
        {QStringLiteral("BTN_Cut"), [](MRVDocument&, const QString&) { store::EditCommand(store::editCut); }},
        {QStringLiteral("BTN_Copy"),
         [](MRVDocument&, const QString&) { store::EditCommand(store::editCopy); }},
        {QStringLiteral("BTN_Paste"),
         [](MRVDocument&, const QString&) { store::EditCommand(store::editPaste); }},
        {QStringLiteral("BTN_Clear"),
         [](MRVDocument&, const QString&) { store::EditCommand(store::editDelete); }},
        {QStringLiteral("BTN_VIEWCHANGE"), [](MRVDocument& d, const QString&) { d.ViewChangeCommand(); }},
        {QStringLiteral("BTN_View_Icon"),
         [](MRVDocument& d, const QString&) { d.lstvProcs->setView(controls::lvwIcon); }},
        {QStringLiteral("BTN_View_Small_Icon"),
         [](MRVDocument& d, const QString&) { d.lstvProcs->setView(controls::lvwSmallIcon); }},
        {QStringLiteral("BTN_View_List"),
         [](MRVDocument& d, const QString&) { d.lstvProcs->setView(controls::lvwList); }},
        {QStringLiteral("BTN_View_Details"),
         [](MRVDocument& d, const QString&) { d.lstvProcs->setView(controls::lvwReport); }},
        {QStringLiteral("BTN_VIEWCATEGORIES"),
         [](MRVDocument& d, const QString&) { d.ViewCategoriesCommand(); }},
        {QStringLiteral("BTN_VIEWMENUBAR"), [](MRVDocument& d, const QString&) { d.ViewMenuBarCommand(); }},
        {QStringLiteral("BTN_VIEWTOOLBAR"),
         [](MRVDocument& d, const QString&) {
             store::PlayEventSound(store::sndRestoreUp);
             d.ActiveBar1->showBandsDialog(&d);
             store::PlayEventSound(store::sndRestoreDown);
         }},
        {QStringLiteral("BTN_FINDPROCS"), [](MRVDocument& d, const QString&) { d.ProcFind(); }},
        {QStringLiteral("BTN_Open"), [](MRVDocument& d, const QString&) { d.DBSelectOpen(); }},
        {QStringLiteral("BTN_PROPERTIES"), [](MRVDocument& d, const QString&) { d.ShowProperties(); }},
        {QStringLiteral("BTN_HELPCONTENTS"), [](MRVDocument& d, const QString&) { d.showHelpCommand(true); }},
        {QStringLiteral("BTN_HELPINDEX"), [](MRVDocument& d, const QString&) { d.showHelpCommand(false); }},
        {QStringLiteral("BTN_TIPOFTHEDAY"), [](MRVDocument& d, const QString&) { d.showTips(true); }},
        {QStringLiteral("BTN_ABOUTBOX"), [](MRVDocument& d, const QString&) { d.showAbout(); }},
        {QStringLiteral("BTN_WEBSITE"), [](MRVDocument& d, const QString&) { d.WebSiteCommand(); }},
        {QStringLiteral("BTN_EMAIL_BUGS"), [](MRVDocument& d, const QString&) { d.EmailBugsCommand(); }},
        {QStringLiteral("BTN_VB_ADDINS"), [](MRVDocument& d, const QString&) { d.VBAddInsCommand(); }},
        {QStringLiteral("BTN_Hide"), [](MRVDocument& d, const QString&) { d.HideCommand(); }},
        // The library commands.
        {QStringLiteral("BTN_COPYTO"), [](MRVDocument& d, const QString&) { d.CopyLibrary(); }},
        {QStringLiteral("BTN_NEW_DB"), [](MRVDocument& d, const QString&) { d.NewLibraryGroup(); }},
        {QStringLiteral("BTN_REPLICATE_DB"), [](MRVDocument& d, const QString&) { d.ReplicateLibrary(); }},
        {QStringLiteral("BTN_SYNC_DBS"), [](MRVDocument& d, const QString&) { d.SynchronizeLibraries(); }},
        {QStringLiteral("BTN_REPAIR_COMPACT"),
         [](MRVDocument& d, const QString&) { d.RepairCompactLibrary(); }},
    };
    return table;
}

bool MRVDocument::routesTool(const QString& toolName) {
    return commandTable().contains(toolName);
}

bool MRVDocument::commandBuilt(const QString& toolName) {
    return routesTool(toolName) && !unbuiltCommands().contains(toolName);
}

void MRVDocument::dispatchTool(const QString& name, const QString& bandName) {
    if (m_replacingLibrary) {
        // The library is closed while it is being replaced; commands wait for it to come back.
        QApplication::beep();
        return;
    }
    if (!m_db && name != QLatin1String("BTN_Open")) {
        QApplication::beep();
        const int answer = ui::MsgBox(
            QStringLiteral("You do NOT have a Code Library Database open!") + LF + LF +
                QStringLiteral("You must OPEN a Code Library Database before you can use the System!  ") +
                QStringLiteral("Would you like to 'open' a Code Library Database Now?"),
            ui::vbYesNo | ui::vbExclamation | kForeground, QStringLiteral("System not Started!"));
        if (answer == ui::vbYes) DBSelectOpen();
        return;
    }
    store::PlayEventSound(store::sndMenuPopup);
    const auto row = commandTable().constFind(name);
    if (row != commandTable().constEnd()) (*row)(*this, bandName);
}

void MRVDocument::holdUnbuiltTools() {
    for (const QString& name : unbuiltCommands()) {
        toolbar::Tool* tool = barTool(ActiveBar1, name);
        if (!tool) continue;
        if (!m_heldToolTips.contains(name)) m_heldToolTips.insert(name, tool->toolTip());
        const QString tip = m_heldToolTips.value(name);
        tool->setEnabled(false);
        tool->setToolTip((tip.isEmpty() ? QString(tool->caption()).remove(QLatin1Char('&')) : tip) +
                         kNotBuiltTip);
    }
}

void MRVDocument::releaseUnbuiltTools() {
    for (auto held = m_heldToolTips.cbegin(); held != m_heldToolTips.cend(); ++held) {
        if (toolbar::Tool* tool = barTool(ActiveBar1, held.key())) {
            tool->setEnabled(true);
            tool->setToolTip(held.value());
        }
    }
    m_heldToolTips.clear();
}

void MRVDocument::notBuiltYet(const QString& toolName) {
    // Reached only from code or keys while the tool itself is disabled.
    QApplication::beep();
    toolbar::Tool* tool = barTool(ActiveBar1, toolName);
    const QString what =
        tool ? QString(tool->caption()).remove(QLatin1Char('&')).remove(QStringLiteral("...")) : toolName;
    StatusBar(QStringLiteral("'") + what + QStringLiteral("' is not available yet..."));
}

// ---- Commands carried out here ---------------------------------------------------------------

void MRVDocument::ViewChangeCommand() {
    doEvents();
    const int view = lstvProcs->view();
    lstvProcs->setView(view == controls::lvwReport ? controls::lvwIcon : controls::ListViewStyle(view + 1));
    lstvProcs->repaint();
    doEvents();
    store::SaveSetting(instanceApp(), QStringLiteral("Properties"),
                       QStringLiteral("Procedure Listview Style"), QString::number(lstvProcs->view()));
}

void MRVDocument::ViewCategoriesCommand() {
    // The screen is the state: every copy of the tool follows it, whichever copy was clicked.
    setCategoryTreeVisible(treCats->isHidden());
}

void MRVDocument::ViewMenuBarCommand() {
    toolbar::Band* menu = ActiveBar1->findBand(QStringLiteral("mnuMain"));
    if (!menu) return;
    menu->setVisible(!menu->isVisible());
    ActiveBar1->recalcLayout();
    if (toolbar::Tool* tool = barTool(ActiveBar1, QStringLiteral("BTN_VIEWMENUBAR")))
        tool->setChecked(!menu->isVisible());
    FormatWindow();
    store::SaveSetting(instanceApp(), QStringLiteral("Toolbars"), QStringLiteral("Menu Visible"),
                       boolText(menu->isVisible()));
}

void MRVDocument::showAbout() {
    frmAbout about(this);
    store::PlayEventSound(store::sndRestoreUp);
    ui::ShowFormModal(&about, this);
    store::PlayEventSound(store::sndRestoreDown);
}

void MRVDocument::showHelpCommand(bool contents) {
    store::PlayEventSound(store::sndRestoreUp);
    // Every host gets help, a plain browser window too: it owns the help window like the others.
    QWidget* owner = m_instanceType == AddInInstance && parentWidget() ? parentWidget() : window();
    if (contents)
        help::WinHelp(owner, store::helpFile(), help::HELP_FINDER);
    else
        help::WinHelp(owner, store::helpFile(), help::HELP_PARTIALKEY, 0, QString());
}

void MRVDocument::WebSiteCommand() {
    const int answer = ui::MsgBox(QStringLiteral("This will navigate to the 'Varnholt Software' Website!") +
                                      LF + LF + QStringLiteral("Continue?"),
                                  ui::vbYesNo | ui::vbInformation | kForeground, QStringLiteral("Home Page"));
    if (answer != ui::vbYes) return;
    const QString address = QString::fromLatin1(store::kWebSiteAddress);
    StatusBar(QStringLiteral("Navigating: ") + address);
    store::ShellOpen(address);
}

void MRVDocument::EmailBugsCommand() {
    const QString address = QString::fromLatin1(store::kSupportAddress);
    const int answer =
        ui::MsgBox(QStringLiteral("Would you like to send an EMail to Tech Support(") + address +
                       QStringLiteral(") to Report a Bug?"),
                   ui::vbYesNo | ui::vbInformation | kForeground, QStringLiteral("Bug Report"));
    if (answer != ui::vbYes) return;
    StatusBar(QStringLiteral("EMailing Bug Report..."));
    store::ShellOpen(QStringLiteral("mailto: ") + address);
}

void MRVDocument::VBAddInsCommand() {
    if (m_instanceType == AddInInstance) return;
    toolbar::Tool* tool = barTool(ActiveBar1, QStringLiteral("BTN_VB_ADDINS"));
    if (!tool) return;
    const auto caption = [this, tool](const QString& text) {
        tool->setCaption(text);
        if (toolbar::Tool* inFile =
                bandTool(ActiveBar1, QStringLiteral("mnuFile"), QStringLiteral("BTN_VB_ADDINS")))
            inFile->setCaption(text);
        ActiveBar1->recalcLayout();
    };
    if (tool->isChecked()) {
        QApplication::beep();
        if (ui::MsgBox(QStringLiteral("Remove this program from the Visual Basic Add-Ins?"),
                       ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2 | kForeground,
                       QStringLiteral("Remove from VB Add-Ins?")) != ui::vbYes)
            return;
        store::UnregisterAddIn();
        tool->setChecked(false);
        caption(QStringLiteral("Add to &VB Add-Ins"));
        StatusBar(QStringLiteral("Removed From VB Add-Ins..."));
    } else {
        if (ui::MsgBox(QStringLiteral("Add this program to the Visual Basic Add-Ins?"),
                       ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2 | kForeground,
                       QStringLiteral("Add to VB Add-Ins?")) != ui::vbYes)
            return;
        store::RegisterAddIn();
        tool->setChecked(true);
        caption(QStringLiteral("Remove from &VB Add-Ins"));
        StatusBar(QStringLiteral("Added to VB Add-Ins..."));
    }
}

void MRVDocument::HideCommand() {
    if (m_instanceType == AddInInstance) {
        if (m_connect) QMetaObject::invokeMethod(m_connect, "HideWindow");
        store::PlayEventSound(store::sndRestoreDown);
    } else if (m_instanceType == ClientInstance) {
        // The client ends the program (its window's closing asks the open editors first); a client that is
        // already going away is no error.
        const QPointer<MRVDocument> self(this);
        m_closeRefused = false;
        if (m_client) QMetaObject::invokeMethod(m_client, "ExitClient");
        if (!self || m_closeRefused) return;  // kept open for an editor: the client stays ours
        m_client = nullptr;
        doEvents();
        store::PlayEventSound(store::sndRestoreDown);
    }
}

// ---- Notifications of the toolbar control ----------------------------------------------------

void MRVDocument::ActiveBar1_PageChange(const QString& bandName, int page) {
    if (bandName != QLatin1String("Standard")) return;
    if (page == 0) {
        StatusBar(m_db ? QStringLiteral("Connected To: ") + DBFileName()
                       : QStringLiteral("Connected To: No database is open!"));
    } else if (page == 3) {
        if (const controls::TreeNode* node = treCats->selectedItem())
            StatusBar(QStringLiteral("Current Category: ") + node->text());
    }
}

void MRVDocument::ActiveBar1_LayoutChange(const QString&) {
    ActiveBar1->recalcLayout();
    doEvents();
    FormatWindow();
}

}  // namespace browser
