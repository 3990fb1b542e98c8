// The operations on the items of the library: new, edit, copy, delete, open a stored file and take
// its changes back, its properties, the preferences, the availability of the item commands, and
// the two routines that write items.

#include "browser/MRVDocument.h"

#include "browser/document_p.h"
#include "editor/frmProcEdit.h"
#include "platform/controls.h"
#include "platform/toolbar.h"
#include "prefs/frmProperties.h"
#include "store/codelib.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/startup.h"

#include <QClipboard>
#include <QDate>
#include <QFile>
#include <QGuiApplication>

namespace browser {

using namespace detail;

namespace {

const QString kFile = QStringLiteral("File");
const QString kWebSite = QStringLiteral("WebSite");
const QString kTextCode = QStringLiteral("Text/Code");

bool isCategoryRow(const controls::ListItem* row) {
    return row && row->key().contains(QLatin1String("TreeNode"));
}

// The upper-cased last four characters: the old way of telling a file's kind from its name.
QString lastFour(const QString& name) {
    return name.right(4).toUpper();
}

}  // namespace

bool MRVDocument::libraryReady() const {
    if (m_db && !m_replacingLibrary) return true;
    QApplication::beep();
    return false;
}

controls::ListItem* MRVDocument::selectedItemRow() const {
    controls::ListItem* row = lstvProcs->selectedItem();
    return row && !row->key().isEmpty() && !isCategoryRow(row) ? row : nullptr;
}

frmProcEdit* MRVDocument::openEditor(qint64 procKey, const QString& codeType, const QString& code) {
    if (procKey != 0) {
        for (frmProcEdit* open : findChildren<frmProcEdit*>()) {
            if (open->ProcKey() != procKey || open->MainWindow() != this) continue;
            open->showNormal();
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    auto* editor = new frmProcEdit(this);
    editor->setProcKey(procKey);
    if (!codeType.isEmpty()) editor->setCodeType(codeType);
    editor->setCode(code);
    editor->setMainWindow(this);
    editor->Form_Load();
    store::PlayEventSound(store::sndRestoreUp);
    editor->show();
    return editor;
}

// ---- New, edit, copy, delete -----------------------------------------------------------------

void MRVDocument::ProcNew() {
    if (!treCats->selectedItem()) {
        ui::MsgBox(QStringLiteral("You must first select a Category for this New Procedure."),
                   ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Select Category First"));
        return;
    }
    if (!libraryReady()) return;
    openEditor(0, kTextCode);
    store::PlayEventSound(store::sndRestoreDown);
}

void MRVDocument::ProcEdit() {
    controls::ListItem* row = lstvProcs->selectedItem();
    if (!row || row->key().isEmpty()) return;
    // A category row carries a tree index, not an item's key.
    if (isCategoryRow(row) || !libraryReady()) {
        if (isCategoryRow(row)) QApplication::beep();
        return;
    }
    try {
        if (row->tag() == kFile) {
            const QString kind = lastFour(row->text());
            if (kind != QLatin1String(".CLS") && kind != QLatin1String(".BAS")) return;
            if (ui::MsgBox(QStringLiteral("Edit this Module in your text editor?"),
                           ui::vbYesNo | ui::vbQuestion | kForeground,
                           QStringLiteral("Edit Module in Text Editor?")) == ui::vbYes)
                ProcFileOpen(row);
            return;
        }
        const QString type = row->tag() == kWebSite || row->tag() == kTextCode ? row->tag() : QString();
        openEditor(keyNumber(row->key()), type);
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.ProcEdit"), this);
    }
}

void MRVDocument::ProcCopy() {
    controls::ListItem* row = selectedItemRow();
    if (!row) {
        QApplication::beep();
        return;
    }
    if (!libraryReady()) return;
    try {
        auto rs = m_db->OpenRecordset(QStringLiteral("SELECT Code FROM [Procedure] Where ProcKey = ") +
                                          QString::number(keyNumber(row->key())),
                                      engine::dbOpenSnapshot, engine::dbReadOnly);
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(rs->eof() ? QString() : rs->Fields(QStringLiteral("Code")).text());
        rs->Close();
        StatusBar(QStringLiteral("Procedure Copied to Clipboard..."));
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.ProcCopy"), this);
    }
}

void MRVDocument::ProcDelete() {
    controls::ListItem* row = selectedItemRow();
    if (!row) {
        // Never the item whose key happens to equal a category row's tree index.
        QApplication::beep();
        return;
    }
    if (!libraryReady()) return;
    const int answer = ui::MsgBox(
        QStringLiteral("Delete the selected Item?      ") + LF + LF + QStringLiteral("     ") + row->text(),
        ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2 | kForeground,
        QStringLiteral("Confirm Deletion"));
    if (answer != ui::vbYes) return;
    try {
        m_db->Execute(QStringLiteral("DELETE FROM [Procedure] WHERE ProcKey = ") +
                      QString::number(keyNumber(row->key())));
        ProcRefresh(m_searchSQL);
        StatusBar(QStringLiteral("Procedure was Deleted!"));
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.ProcDelete"), this);
    }
}

// ---- Stored files ----------------------------------------------------------------------------

void MRVDocument::ProcFileOpen(controls::ListItem* row, const QString& program) {
    fileOpen(row ? row : lstvProcs->selectedItem(), program, false);
}

void MRVDocument::fileOpen(controls::ListItem* row, const QString& program, bool runAsked) {
    if (!row || isCategoryRow(row) || row->tag() != kFile) {
        QApplication::beep();
        return;
    }
    if (!libraryReady()) return;
    const QString number = QString::number(keyNumber(row->key()));
    const QString library = DBFileName();
    try {
        QString name, path;
        {
            auto rs = m_db->OpenRecordset(
                QStringLiteral("SELECT Type, Name, Desc, Code, File, LastChangedBy, LastChanged ") +
                    QStringLiteral("FROM [Procedure] Where ProcKey = ") + number,
                engine::dbOpenSnapshot, engine::dbReadOnly);
            if (rs->eof()) return;
            name = rs->Fields(QStringLiteral("Name")).text();
            if (name.size() < 4 || name.at(name.size() - 4) != QLatin1Char('.')) {
                ui::MsgBox(
                    QStringLiteral("This File must have standard file extension (Like '.xxx').  Please "
                                   "correct the files name, and try again."),
                    ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Invalid file extension"));
                return;
            }
            path = store::ExtractStoredFile(rs->Fields(QStringLiteral("File")), name);
            rs->Close();
        }
        doEvents();
        if (path.isEmpty()) return;
        // A stored program runs only when the user says so; its copy is never marked executable.
        if (!runAsked && store::IsExecutableFile(path) &&
            ui::MsgBox(QStringLiteral("Run this Program?") + LF + LF + QStringLiteral("    ") + name,
                       ui::vbYesNo | ui::vbQuestion | kForeground, QStringLiteral("Open File?")) != ui::vbYes)
            return;

        if (!store::OpenFileAndWait(path, program, this)) return;
        if (ui::MsgBox(QStringLiteral("Would you like to Save your changes to:") + LF + LF +
                           QLatin1Char('\'') + name + QLatin1Char('\'') + LF + LF +
                           QStringLiteral("back to the Code Library?"),
                       ui::vbYesNo | ui::vbQuestion | kForeground,
                       QStringLiteral("Save your changes to the Code Library?")) != ui::vbYes)
            return;
        // The library may have been closed or replaced while the program had the file.
        if (!m_db || m_replacingLibrary || DBFileName() != library) {
            ui::MsgBox(QStringLiteral("The Code Library that holds '") + name +
                           QStringLiteral("' is no longer open, so the changes cannot be saved to it.") + LF +
                           LF + QStringLiteral("The changed file is still here:") + LF + path,
                       ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Changes not Saved"));
            return;
        }
        auto rs = m_db->OpenRecordset(QStringLiteral("SELECT ProcKey, File, LastChangedBy, LastChanged ") +
                                      QStringLiteral("FROM [Procedure] Where ProcKey = ") + number);
        if (rs->eof()) {
            ui::MsgBox(
                QStringLiteral("'") + name +
                    QStringLiteral("' is no longer in the Code Library, so the changes cannot be saved.") +
                    LF + LF + QStringLiteral("The changed file is still here:") + LF + path,
                ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Changes not Saved"));
            return;
        }
        rs->Edit();
        if (store::BlobSaveToField(rs->Fields(QStringLiteral("File")), path)) {
            rs->Fields(QStringLiteral("LastChangedBy")).setValue(1);
            rs->Fields(QStringLiteral("LastChanged")).setValue(QDate::currentDate());
            rs->Update();
            rs->Close();
            ProcRefresh(m_searchSQL);
        } else {
            rs->CancelUpdate();
            rs->Close();
        }
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.ProcFileOpen"), this);
    }
}

void MRVDocument::ProcFileProperties(controls::ListItem* row) {
    if (!row) row = lstvProcs->selectedItem();
    if (!row || isCategoryRow(row) || row->tag() != kFile) {
        QApplication::beep();
        return;
    }
    if (!libraryReady()) return;
    try {
        auto rs =
            m_db->OpenRecordset(QStringLiteral("SELECT Type, Name, Desc, Code, File FROM [Procedure] Where "
                                               "ProcKey = ") +
                                    QString::number(keyNumber(row->key())),
                                engine::dbOpenSnapshot, engine::dbReadOnly);
        if (rs->eof()) return;
        const QString path = store::ExtractStoredFile(rs->Fields(QStringLiteral("File")),
                                                      rs->Fields(QStringLiteral("Name")).text());
        rs->Close();
        doEvents();
        if (!path.isEmpty()) store::ShowFileProperties(path, this);
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.ProcFileProperties"), this);
    }
}

// ---- Preferences and command availability ----------------------------------------------------

void MRVDocument::ShowProperties() {
    frmProperties properties(this);
    properties.setMainWindow(this);
    properties.Form_Load();
    store::PlayEventSound(store::sndRestoreUp);
    ui::ShowFormModal(&properties, this);
    store::PlayEventSound(store::sndRestoreDown);
}

void MRVDocument::setItemTool(toolbar::Tool* tool, bool enabled) {
    // A command not built yet stays held, whatever the selection.
    if (tool && (commandBuilt(tool->name()) || !enabled)) tool->setEnabled(enabled);
}

void MRVDocument::SetProcTools() {
    const QString popup = QStringLiteral("mnuPopUpProc");
    toolbar::Tool* openFile = bandTool(ActiveBar1, popup, QStringLiteral("BTN_OPENFILE"));
    toolbar::Tool* fileProperties = bandTool(ActiveBar1, popup, QStringLiteral("BTN_FILEPROPERTIES"));
    toolbar::Tool* edit = bandTool(ActiveBar1, popup, QStringLiteral("BTN_Edit"));
    toolbar::Tool* copy = barTool(ActiveBar1, QStringLiteral("BTN_COPYPROC"));
    toolbar::Tool* remove = barTool(ActiveBar1, QStringLiteral("BTN_DELETE"));

    const controls::ListItem* row = lstvProcs->selectedItem();
    if (!row) {
        for (toolbar::Tool* tool : {openFile, fileProperties, copy, remove}) setItemTool(tool, false);
        return;
    }
    if (isCategoryRow(row)) {
        for (toolbar::Tool* tool : {openFile, fileProperties, edit, copy, remove}) setItemTool(tool, false);
        return;
    }
    const QString type = row->tag();
    if (type == kFile) {
        const QString kind = lastFour(row->text());
        setItemTool(openFile, true);
        setItemTool(fileProperties, true);
        setItemTool(edit, kind == QLatin1String(".CLS") || kind == QLatin1String(".BAS"));
        setItemTool(copy, false);
        setItemTool(remove, true);
        return;
    }
    setItemTool(openFile, false);
    setItemTool(fileProperties, false);
    setItemTool(edit, true);
    setItemTool(copy, type == kTextCode);
    setItemTool(remove, !type.isEmpty());
}

// ---- Writing items ---------------------------------------------------------------------------

bool MRVDocument::SaveProcedure(qint64 procKey, qint64 catKey, const QString& type, const QString& name,
                                const QString& desc, const QString& code, const QString&) {
    if (type == kFile) {
        if (procKey != 0) {
            ui::MsgBox(
                QStringLiteral("Error: You cannot 'update' a File in the Code Library, you can only 'Add' "
                               "new files, or 'Delete' a file."),
                ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Cannot 'Update' Files"));
            return false;
        }
        return FileSave(catKey, m_dragFilePath);
    }
    if (!libraryReady()) return false;
    try {
        const QString select = QStringLiteral("SELECT P.* FROM [Procedure] AS P WHERE P.ProcKey = ");
        auto rs =
            m_db->OpenRecordset(select + (procKey != 0 ? QString::number(procKey) : QStringLiteral("NULL")));
        if (procKey != 0 && rs->eof())
            throw engine::Error(engine::errNoCurrentRecord, QStringLiteral("No current record."));
        if (procKey != 0)
            rs->Edit();
        else
            rs->AddNew();
        rs->Fields(QStringLiteral("CatKey")).setValue(catKey);
        rs->Fields(QStringLiteral("Name")).setValue(name);
        rs->Fields(QStringLiteral("Type")).setValue(type);
        if (type == kTextCode) rs->Fields(QStringLiteral("Code")).setValue(code);
        if (type == kWebSite) rs->Fields(QStringLiteral("Code")).setValue(kWebSite);
        rs->Fields(QStringLiteral("Desc")).setValue(desc);
        rs->Fields(QStringLiteral("LastChanged")).setValue(QDate::currentDate());
        rs->Fields(QStringLiteral("Owner")).setValue(1);
        rs->Fields(QStringLiteral("LastChangedBy")).setValue(1);
        rs->Update();
        rs->Close();
        return true;
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.SaveProcedure"), this);
        return false;
    }
}

bool MRVDocument::FileSave(qint64 catKey, const QString& path) {
    if (path.isEmpty() || !libraryReady()) return false;
    try {
        auto rs = m_db->OpenRecordset(QStringLiteral("SELECT * FROM [Procedure] Where ProcKey = NULL"));
        rs->AddNew();
        if (!store::BlobSaveToField(rs->Fields(QStringLiteral("File")), path)) {
            rs->CancelUpdate();
            return false;
        }
        rs->Fields(QStringLiteral("CatKey")).setValue(catKey);
        rs->Fields(QStringLiteral("Type")).setValue(kFile);
        rs->Fields(QStringLiteral("Name")).setValue(store::FileNamePart(path));
        rs->Fields(QStringLiteral("Desc")).setValue(kFile);
        rs->Fields(QStringLiteral("Owner")).setValue(1);
        rs->Fields(QStringLiteral("LastChangedBy")).setValue(1);
        rs->Fields(QStringLiteral("LastChanged")).setValue(QDate::currentDate());
        rs->Update();
        rs->Close();
        return true;
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.FileSave"), this);
        return false;
    }
}

}  // namespace browser
