#include "library/frmDBCopy.h"

#include "library/dialogs_p.h"
#include "library/frmDBSync.h"
#include "platform/controls.h"
#include "store/archiver.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/form_routines.h"
#include "store/library_copy.h"
#include "store/library_files.h"
#include "store/main_window.h"
#include "store/paths.h"
#include "store/repair_compact.h"
#include "store/settings.h"
#include "store/startup.h"
#include "store/window_settings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QVBoxLayout>

using namespace library::detail;

namespace {

const QString kGeneral = QStringLiteral("General Properties");
const QString kCopyTo = QStringLiteral("General Properties\\'Copy To' Settings");
const QString kCopyFrom = QStringLiteral("General Properties\\'Copy From' Settings");
const QString kTargetList = QStringLiteral("\\Target Recent List");
const QString kSourceList = QStringLiteral("\\Source Recent List");
const QString kCurrentTab = QStringLiteral("Copy Window Current Tab");
constexpr int kLastListIndex = 10;
enum Tab { tabCopyTo = 1, tabCopyFrom = 2 };

QString oneOrZero(const QCheckBox* box) {
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

QString general() {
    return store::generalAppName();
}

bool settingOn(const QString& section, const QString& key, const QString& defaultValue) {
    return store::Val(store::GetSetting(general(), section, key, defaultValue)) != 0;
}

QComboBox* historyCombo(const char* name, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(30);
    return combo;
}

QPushButton* pickButton(const char* name, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(QStringLiteral("..."), parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    return button;
}

}  // namespace

QString frmDBCopy::defaultFolderEntry() {
    return QStringLiteral("(Default Library Folder)");
}

frmDBCopy::frmDBCopy(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDBCopy"));
    setWindowTitle(QStringLiteral("Copy Code Library"));

    TabStrip1 = new controls::TabStrip(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->add(QStringLiteral("CopyTo"), QStringLiteral("Copy To"));
    TabStrip1->add(QStringLiteral("CopyFrom"), QStringLiteral("Copy From"));
    const auto check = [](const QString& caption, const QString& name, QWidget* panel) {
        auto* box = new QCheckBox(caption, panel);
        box->setObjectName(name);
        return box;
    };

    // "Copy To"
    QWidget* to = picContainer[0] = new QWidget(TabStrip1);
    to->setObjectName(QStringLiteral("picContainer0"));
    cboCopyToTarget = historyCombo("cboCopyToTarget", to);
    cmdSelectCopyToTarget =
        pickButton("cmdSelectCopyToTarget", QStringLiteral("Select the Target Folder"), to);
    chkRepairAndCompact =
        check(QStringLiteral("&Repair and Compact First"), QStringLiteral("chkRepairAndCompact"), to);
    chkUseWinZip[0] = check(QStringLiteral("&Use Zip Compression:"), QStringLiteral("chkUseWinZip0"), to);
    cboCompression = new QComboBox(to);
    cboCompression->setObjectName(QStringLiteral("cboCompression"));
    cboCompression->addItems({QStringLiteral("Maximum"), QStringLiteral("Normal (Default)"),
                              QStringLiteral("Fast "), QStringLiteral("Super Fast"),
                              QStringLiteral("None!")});
    auto* toLayout = new QGridLayout(to);
    toLayout->addWidget(new QLabel(QStringLiteral("Copy current Code Library to Target location:"), to), 0, 0,
                        1, 3);
    toLayout->addWidget(cboCopyToTarget, 1, 0, 1, 2);
    toLayout->addWidget(cmdSelectCopyToTarget, 1, 2);
    toLayout->addWidget(chkRepairAndCompact, 2, 0, 1, 3);
    toLayout->addWidget(chkUseWinZip[0], 3, 0);
    toLayout->addWidget(cboCompression, 3, 1, Qt::AlignLeft);
    toLayout->addWidget(
        wrappedLabel(QStringLiteral("The 'Copy To' feature is designed to make it easy to quickly copy "
                                    "your Currently Opened Code Library to another location(like a "
                                    "Floppy Disk)."),
                     to),
        4, 0, 1, 3);
    toLayout->setRowStretch(5, 1);
    toLayout->setColumnStretch(1, 1);

    // "Copy From"
    QWidget* from = picContainer[1] = new QWidget(TabStrip1);
    from->setObjectName(QStringLiteral("picContainer1"));
    cboCopyFromSource = historyCombo("cboCopyFromSource", from);
    cboCopyFromTarget = historyCombo("cboCopyFromTarget", from);
    cmdCopyFromSelectSource =
        pickButton("cmdCopyFromSelectSource", QStringLiteral("Select the Code Library to copy"), from);
    cmdCopyFromSelectTarget =
        pickButton("cmdCopyFromSelectTarget", QStringLiteral("Select the Target Folder"), from);
    chkUseWinZip[1] = check(QStringLiteral("&Use Zip to Un-Zip   ("), QStringLiteral("chkUseWinZip1"), from);
    chkWinZipOverwrite =
        check(QStringLiteral("&Overwrite Files?)"), QStringLiteral("chkWinZipOverwrite"), from);
    chkWinZipOverwrite->setToolTip(
        QStringLiteral("Only the Code Library itself is unpacked from the archive; you are "
                       "asked before it replaces a Code Library of the same name."));
    chkSyncAfterCopy = check(QStringLiteral("&Synchronize with Current Database after Copy."),
                             QStringLiteral("chkSyncAfterCopy"), from);
    auto* unzipRow = new QHBoxLayout;
    unzipRow->setSpacing(0);
    unzipRow->addWidget(chkUseWinZip[1]);
    unzipRow->addWidget(chkWinZipOverwrite);
    unzipRow->addStretch(1);
    auto* fromLayout = new QGridLayout(from);
    fromLayout->addWidget(new QLabel(QStringLiteral("Copy 'Code Library' From:"), from), 0, 0, 1, 2);
    fromLayout->addWidget(cboCopyFromSource, 1, 0);
    fromLayout->addWidget(cmdCopyFromSelectSource, 1, 1);
    fromLayout->addWidget(new QLabel(QStringLiteral("Copy To Target location:"), from), 2, 0, 1, 2);
    fromLayout->addWidget(cboCopyFromTarget, 3, 0);
    fromLayout->addWidget(cmdCopyFromSelectTarget, 3, 1);
    fromLayout->addLayout(unzipRow, 4, 0, 1, 2);
    fromLayout->addWidget(chkSyncAfterCopy, 5, 0, 1, 2);
    fromLayout->addWidget(
        wrappedLabel(QStringLiteral("The 'Copy From' feature is designed to make it easy to quickly "
                                    "copy any Code Library from one location to another.  (Like "
                                    "from the Floppy Disk to your Computer.)"),
                     from),
        6, 0, 1, 2);
    fromLayout->setRowStretch(7, 1);
    fromLayout->setColumnStretch(0, 1);

    m_panels = {to, from};
    QSize panelSize;
    for (QWidget* panel : std::as_const(m_panels)) panelSize = panelSize.expandedTo(panel->sizeHint());
    TabStrip1->setMinimumSize(panelSize + QSize(8, TabStrip1->tabBar()->sizeHint().height() + 8));

    cmdGo = new QPushButton(QStringLiteral("&Copy"), this);
    cmdGo->setObjectName(QStringLiteral("cmdGo"));
    cmdGo->setDefault(true);
    cmdClose = new QPushButton(QStringLiteral("Cl&ose"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdHelp = new QPushButton(QStringLiteral("&Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    StatusBar1 = new controls::StatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->addPanel(QStringLiteral(" Ready..."), 200, QString(), controls::sbrText, controls::sbrSpring);

    connect(TabStrip1, &controls::TabStrip::click, this, &frmDBCopy::TabStrip1_Click);
    for (int i = 0; i < 2; ++i)
        connect(chkUseWinZip[i], &QCheckBox::clicked, this, [this, i] { chkUseWinZip_Click(i); });
    connect(cboCopyFromSource, &QComboBox::editTextChanged, this, &frmDBCopy::cboCopyFromSource_Change);
    connect(cboCopyFromTarget, &QComboBox::editTextChanged, this, &frmDBCopy::cboCopyFromTarget_Change);
    connect(cmdSelectCopyToTarget, &QPushButton::clicked, this, &frmDBCopy::cmdSelectCopyToTarget_Click);
    connect(cmdCopyFromSelectSource, &QPushButton::clicked, this, &frmDBCopy::cmdCopyFromSelectSource_Click);
    connect(cmdCopyFromSelectTarget, &QPushButton::clicked, this, &frmDBCopy::cmdCopyFromSelectTarget_Click);
    connect(cmdGo, &QPushButton::clicked, this, &frmDBCopy::cmdGo_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmDBCopy::cmdClose_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmDBCopy::cmdHelp_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdHelp);
    buttons->addStretch(1);
    buttons->addWidget(cmdGo);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TabStrip1, 1);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);
}

QString frmDBCopy::InstanceName() const {
    return m_main ? m_main->InstanceName() : QString();
}

void frmDBCopy::StatusBar(const QString& text) {
    StatusBar1->panel(1)->setText(text + ' ');
    StatusBar1->repaint();
}

void frmDBCopy::Form_Load() {
    m_defaultFolder = store::userDataFolder() + QStringLiteral("/Library");
    const int tab = int(store::Val(store::GetSetting(general(), kGeneral, kCurrentTab, QStringLiteral("1"))));
    TabStrip1->setSelectedIndex(tab == tabCopyFrom ? tabCopyFrom : tabCopyTo);

    chkUseWinZip[0]->setChecked(settingOn(kCopyTo, QStringLiteral("Use WinZip"), QStringLiteral("0")));
    const int level = int(store::Val(
        store::GetSetting(general(), kCopyTo, QStringLiteral("WinZip Compression"), QStringLiteral("1"))));
    cboCompression->setCurrentIndex(level >= 0 && level < cboCompression->count() ? level : 1);
    chkRepairAndCompact->setChecked(
        settingOn(kCopyTo, QStringLiteral("Repair and Compact First"), QStringLiteral("1")));
    chkUseWinZip[1]->setChecked(settingOn(kCopyFrom, QStringLiteral("Use WinZip"), QStringLiteral("0")));

    // A stored text is shown over its list; none shows the proposal of its own.
    const auto loadCombo = [](QComboBox* combo, const QString& section, const QString& key,
                              const QString& list, const QString& proposal) {
        const QString stored = store::GetSetting(general(), section, key);
        if (!stored.isEmpty()) combo->setEditText(stored);
        store::LoadComboList(combo, kLastListIndex, general(), section + list);
        if (stored.isEmpty()) store::AddComboTop(combo, proposal);
    };
    loadCombo(cboCopyToTarget, kCopyTo, QStringLiteral("Target Folder"), kTargetList,
              store::removableMediaFolder());
    loadCombo(cboCopyFromSource, kCopyFrom, QStringLiteral("Source File"), kSourceList, m_currentDBPath);
    loadCombo(cboCopyFromTarget, kCopyFrom, QStringLiteral("Target Folder"), kTargetList,
              defaultFolderEntry());

    // Without the archiver its boxes stay clear.
    if (store::zipProgram().isEmpty()) chkUseWinZip[0]->setChecked(false);
    if (store::unzipProgram().isEmpty()) chkUseWinZip[1]->setChecked(false);
    chkSyncAfterCopy->setEnabled(false);  // so the rules below take it from the settings
    applyOptionRules();
    cboCopyFromTarget_Change();
    TabStrip1_Click();
}

QString frmDBCopy::syncAfterCopySetting() const {
    return store::GetSetting(general(), kCopyFrom, QStringLiteral("Sync after Copy"), QStringLiteral("0"));
}

void frmDBCopy::applyOptionRules() {
    cboCompression->setEnabled(chkUseWinZip[0]->isChecked());
    const bool archive = store::isLibraryArchive(cboCopyFromSource->currentText().trimmed());
    chkUseWinZip[1]->setEnabled(archive);
    if (!archive) chkUseWinZip[1]->setChecked(false);
    const bool unpack = chkUseWinZip[1]->isChecked();
    chkWinZipOverwrite->setEnabled(unpack);
    if (!unpack) chkWinZipOverwrite->setChecked(false);
    // A library can be synchronised after the copy; an archive copied as it is cannot.
    const bool canSync = !archive || unpack;
    const bool couldSync = chkSyncAfterCopy->isEnabledTo(picContainer[1]);
    chkSyncAfterCopy->setEnabled(canSync);
    if (!canSync)
        chkSyncAfterCopy->setChecked(false);
    else if (!couldSync)
        chkSyncAfterCopy->setChecked(store::Val(syncAfterCopySetting()) != 0);
}

void frmDBCopy::TabStrip1_Click() {
    store::ShowTabPanel(*TabStrip1, m_panels);
}

void frmDBCopy::chkUseWinZip_Click(int index) {
    const bool missing = (index == 0 ? store::zipProgram() : store::unzipProgram()).isEmpty();
    if (chkUseWinZip[index]->isChecked() && missing) {
        ui::MsgBox(QStringLiteral("You must install Zip on your PC ") +
                       QStringLiteral("before this feature is available."),
                   ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Sorry!"));
        chkUseWinZip[index]->setChecked(false);
    }
    applyOptionRules();
}

void frmDBCopy::cboCopyFromSource_Change() {
    applyOptionRules();
}

void frmDBCopy::cboCopyFromTarget_Change() {
    const QString text = cboCopyFromTarget->currentText();
    cboCopyFromTarget->setToolTip(text == defaultFolderEntry() ? m_defaultFolder : text);
}

void frmDBCopy::cmdSelectCopyToTarget_Click() {
    const QString folder = ui::BrowseForFolder(this, QStringLiteral("Select the Target Folder:"));
    if (folder.isEmpty()) return;
    store::AddComboTop(cboCopyToTarget, folder);
    cboCopyToTarget->setToolTip(folder);
}

void frmDBCopy::cmdCopyFromSelectSource_Click() {
    const QString file = ui::GetOpenFileName(
        this, QStringLiteral("Select a Code Library..."),
        QStringLiteral(
            "All Code Libraries (*.mdb;*.zip)|*.mdb;*.zip|Normal Code Libraries (*.mdb)|*.mdb|Zipped Code "
            "Libraries (*.zip)|*.zip|All Files (*.*)|*.*"),
        1, store::ParentFolder(cboCopyFromSource->currentText()));
    if (file.isEmpty()) return;
    store::AddComboTop(cboCopyFromSource, file);
    applyOptionRules();
}

void frmDBCopy::cmdCopyFromSelectTarget_Click() {
    const QString folder = ui::BrowseForFolder(this, QStringLiteral("Select the Target Folder:"));
    if (folder.isEmpty()) return;
    store::AddComboTop(cboCopyFromTarget, folder);
    cboCopyFromTarget_Change();
}

void frmDBCopy::cmdGo_Click() {
    if (m_busy || !m_main) return;
    const auto refuse = [](QComboBox* combo, const QString& text, const QString& title) {
        ui::MsgBox(text, ui::vbOKOnly | ui::vbExclamation | kForeground, title);
        combo->setFocus();
    };
    const auto begin = [](const QString& text) {
        return ui::MsgBox(text, ui::vbYesNo | ui::vbQuestion | kForeground, QStringLiteral("Begin?")) ==
               ui::vbYes;
    };
    const QString noTarget = QStringLiteral("Error: 'Copy To' Target location was not specified!");
    const bool copyTo = TabStrip1->selectedIndex() == tabCopyTo;
    if (copyTo) {
        const QString target = cboCopyToTarget->currentText().trimmed();
        if (target.isEmpty())
            return refuse(cboCopyToTarget, noTarget, QStringLiteral("Select Target location"));
        if (!begin(QStringLiteral("Begin the Copy Operation to:") + LF + LF + QStringLiteral("      ") +
                   target))
            return;
    } else {
        const QString source = cboCopyFromSource->currentText().trimmed();
        const QString target = cboCopyFromTarget->currentText().trimmed();
        if (source.isEmpty())
            return refuse(cboCopyFromSource,
                          QStringLiteral("Error: 'Copy From' Code Library was not specified!"),
                          QStringLiteral("Select Source Code Library"));
        if (!store::FileExists(source)) {
            refuse(cboCopyFromSource, QStringLiteral("Error: 'Copy From' Code Library was NOT FOUND!"),
                   QStringLiteral("Select Existing Source Code Library"));
            cboCopyFromSource->lineEdit()->selectAll();
            return;
        }
        if (target.isEmpty())
            return refuse(cboCopyFromTarget, noTarget, QStringLiteral("Select Target location"));
        if (!begin(QStringLiteral("Begin the Copy Operation?") + LF + LF + QStringLiteral("From: ") + LF +
                   QStringLiteral("      ") + source + LF + QStringLiteral("To: ") + LF +
                   QStringLiteral("      ") + target))
            return;
    }
    setBusy(true);
    {
        BusyCursor hourglass;
        if (copyTo)
            CopyTo();
        else
            CopyFrom();
    }
    setBusy(false);
}

void frmDBCopy::setBusy(bool busy) {
    m_busy = busy;
    for (QWidget* widget : {static_cast<QWidget*>(TabStrip1), static_cast<QWidget*>(cmdGo),
                            static_cast<QWidget*>(cmdClose), static_cast<QWidget*>(cmdHelp)})
        widget->setEnabled(!busy);
}

void frmDBCopy::copyFailed(const engine::Error* error, const QString& location) {
    StatusBar(QStringLiteral(" Copy Failed!"));
    QApplication::beep();
    ui::MsgBox(QStringLiteral("Copy Failed!       "), ui::vbOKOnly | ui::vbInformation | kForeground,
               QStringLiteral("Operation Failed!"));
    if (error) store::ReportError(*error, location, m_main);
}

void frmDBCopy::completed(const QString& message, const QString& target) {
    QApplication::beep();
    ui::MsgBox(message + LF + LF + QStringLiteral("      ") + target,
               ui::vbOKOnly | ui::vbInformation | kForeground, QStringLiteral("Operation Completed!"));
}

namespace {

void zipFailed() {
    ui::MsgBox(QStringLiteral("Zip Failed!       "), ui::vbOKOnly | ui::vbExclamation | kForeground,
               QStringLiteral("Zip Failed!"));
}

bool overwriteRefused(frmDBCopy* form, const QString& target, const QString& question, const QString& title) {
    if (!QFileInfo::exists(target)) return false;
    form->StatusBar(QStringLiteral(" Target File Exists: ") + target);
    if (ui::MsgBox(
            question + LF + LF + QStringLiteral("Would you like to OVERWRITE the existing Code Library?"),
            ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2 | kForeground, title) == ui::vbYes)
        return false;
    ui::MsgBox(QStringLiteral("Copy Cancelled!     "), ui::vbOKOnly | ui::vbInformation | kForeground,
               QStringLiteral("Cancelled"));
    return true;
}

void sameFileRefused() {
    ui::MsgBox(
        QStringLiteral("The Code Library you are copying has the same Path and Filename as the currently "
                       "opened Database!"),
        ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Error"));
}

}  // namespace

void frmDBCopy::CopyTo() {
    const QString location = QStringLiteral("frmDBCopy.CopyTo");
    const QString fileName = store::FileNamePart(m_currentDBPath);
    const QString base = store::baseNameBefore(fileName, QStringLiteral(".mdb"));
    const bool zip = chkUseWinZip[0]->isChecked();
    const QString folder = store::folderWithSlash(cboCopyToTarget->currentText().trimmed());
    const QString target = store::copyToTarget(m_currentDBPath, folder, zip);
    const bool repair = chkRepairAndCompact->isChecked();
    const int level = cboCompression->currentIndex();

    // Into its own folder, unpacked, the copy would be the open library itself.
    if (store::sameFile(target, m_currentDBPath)) {
        sameFileRefused();
    } else if (!overwriteRefused(this, target,
                                 QStringLiteral("The Code Library ALREADY EXISTS in the Target Location!"),
                                 QStringLiteral("Overwrite Existing Library?"))) {
        // Repaired first, the open library is replaced: the document closes it and opens it again. A
        // plain copy reads it under a read lock and leaves it open.
        const auto copy = [&](QString& path) {
            try {
                QDir().mkpath(folder);
                if (repair) {
                    if (!store::RepairCompact(path, this)) {
                        ui::MsgBox(QStringLiteral("Database Repair and Compact has FAILED!"),
                                   ui::vbOKOnly | ui::vbInformation | kForeground,
                                   QStringLiteral("Failure!"));
                        return false;
                    }
                    StatusBar(QStringLiteral(" Repair and Compact was Completed Successfully!"));
                }
                if (zip) {
                    StatusBar(QStringLiteral(" Zipping...  Please Wait..."));
                    try {
                        store::packLibrary(path, target, level);
                    } catch (const engine::Error& err) {
                        zipFailed();
                        copyFailed(&err, location);
                        return false;
                    }
                    StatusBar(QStringLiteral(" '") + base + QStringLiteral(".zip'") +
                              QStringLiteral(" was Copied to: ") + folder);
                } else {
                    if (!store::FileExists(path))
                        throw engine::Error(
                            engine::errFileNotFound,
                            QStringLiteral("Could not find the file '") + path + QStringLiteral("'."));
                    StatusBar(QStringLiteral(" Copying to: ") + target);
                    if (!store::copyLibraryFile(path, target, this)) {
                        copyFailed(nullptr, location);
                        return false;
                    }
                    StatusBar(QStringLiteral(" '") + fileName + QStringLiteral("' was Copied to: ") + folder);
                }
                completed(QStringLiteral("The Current Code Library was Copied to:     "), target);
                return true;
            } catch (const engine::Error& err) {
                copyFailed(&err, location);
                return false;
            }
        };
        QString path = m_currentDBPath;
        if (repair)
            m_main->replaceLibrary(copy);
        else
            copy(path);
    }
    saveCopyToSettings();
}

void frmDBCopy::CopyFrom() {
    const QString location = QStringLiteral("frmDBCopy.CopyFrom");
    const QString source = cboCopyFromSource->currentText().trimmed();
    const bool archive = store::isLibraryArchive(source);
    const bool unpack = archive && chkUseWinZip[1]->isChecked();
    const QString folderText = cboCopyFromTarget->currentText().trimmed();
    const QString folder =
        store::folderWithSlash(folderText == defaultFolderEntry() ? m_defaultFolder : folderText);
    const QString target = store::copyFromTarget(source, folder, unpack);

    bool copied = false;
    if (store::sameFile(target, m_currentDBPath)) {
        sameFileRefused();
    } else if (!overwriteRefused(
                   this, target,
                   QStringLiteral("A Code Library with the same name ALREADY EXISTS in the Target Location!"),
                   QStringLiteral("Overwrite Existing Code Library?"))) {
        // The open library is never the target: it stays open.
        try {
            QDir().mkpath(folder);
            if (unpack) {
                try {
                    store::unpackLibrary(source, target);
                    copied = true;
                } catch (const engine::Error& err) {
                    zipFailed();
                    copyFailed(&err, location);
                }
            } else {
                copied = store::copyLibraryFile(source, target, this);
                if (!copied) copyFailed(nullptr, location);
            }
        } catch (const engine::Error& err) {
            copyFailed(&err, location);
        }
        if (copied) {
            StatusBar(QStringLiteral(" Copied to: ") + target);
            QApplication::beep();
        }
    }
    if (copied) {
        if (!chkSyncAfterCopy->isChecked()) {
            ui::MsgBox(QStringLiteral("The Code Library was Copied to:     ") + LF + LF +
                           QStringLiteral("      ") + target,
                       ui::vbOKOnly | ui::vbInformation | kForeground,
                       QStringLiteral("Operation Completed!"));
        } else if (ui::MsgBox(QStringLiteral("The Code Library was Copied to:") + LF + LF + target + LF + LF +
                                  QStringLiteral("Synchronize Now?"),
                              ui::vbYesNo | ui::vbQuestion | kForeground,
                              QStringLiteral("Sync Now?")) == ui::vbYes &&
                   m_main->database()) {
            frmDBSync sync(this);
            sync.setMainWindow(m_main);
            sync.setSyncDBFilename(target);
            sync.Form_Load();
            store::PlayEventSound(store::sndRestoreUp);
            ui::ShowFormModal(&sync, this);
            store::PlayEventSound(store::sndRestoreDown);
        }
    }
    saveCopyFromSettings();
}

void frmDBCopy::saveCopyToSettings() {
    store::AddComboTop(cboCopyToTarget, cboCopyToTarget->currentText());
    store::SaveSettings(
        general(), kCopyTo,
        {{QStringLiteral("Use WinZip"), oneOrZero(chkUseWinZip[0])},
         {QStringLiteral("WinZip Compression"), QString::number(cboCompression->currentIndex())},
         {QStringLiteral("Repair and Compact First"), oneOrZero(chkRepairAndCompact)},
         {QStringLiteral("Target Folder"), cboCopyToTarget->currentText()}});
    store::SaveComboList(cboCopyToTarget, kLastListIndex, general(), kCopyTo + kTargetList);
}

void frmDBCopy::saveCopyFromSettings() {
    store::AddComboTop(cboCopyFromSource, cboCopyFromSource->currentText());
    store::AddComboTop(cboCopyFromTarget, cboCopyFromTarget->currentText());
    store::SaveSettings(general(), kCopyFrom,
                        {{QStringLiteral("Use WinZip"), oneOrZero(chkUseWinZip[1])},
                         {QStringLiteral("Sync after Copy"), oneOrZero(chkSyncAfterCopy)},
                         {QStringLiteral("Source File"), cboCopyFromSource->currentText()},
                         {QStringLiteral("Target Folder"), cboCopyFromTarget->currentText()}});
    store::SaveComboList(cboCopyFromSource, kLastListIndex, general(), kCopyFrom + kSourceList);
    store::SaveComboList(cboCopyFromTarget, kLastListIndex, general(), kCopyFrom + kTargetList);
}

void frmDBCopy::cmdClose_Click() {
    close();
}

void frmDBCopy::cmdHelp_Click() {
    if (m_main) m_main->ShowHelp(44);
}

void frmDBCopy::unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    store::SaveSetting(general(), kGeneral, kCurrentTab, QString::number(TabStrip1->selectedIndex()));
    store::PlayEventSound(store::sndRestoreDown);
}

void frmDBCopy::done(int result) {
    // Not while a copy runs (Esc included): its handlers are still on the way back here.
    if (m_busy) return;
    unload();
    QDialog::done(result);
}

void frmDBCopy::closeEvent(QCloseEvent* event) {
    if (m_busy) {
        event->ignore();
        return;
    }
    unload();
    QDialog::closeEvent(event);
}

void frmDBCopy::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    TabStrip1_Click();
}

void frmDBCopy::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    TabStrip1_Click();
}
