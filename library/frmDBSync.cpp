#include "library/frmDBSync.h"

#include "library/dialogs_p.h"
#include "library/frmDBList.h"
#include "library/frmWarning.h"
#include "platform/controls.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/library_files.h"
#include "store/library_sync.h"
#include "store/main_window.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

using namespace library::detail;

namespace {

const QString kProperties = QStringLiteral("Properties");
const QString kPath = QStringLiteral("Sync Database Path");
const QString kGroupName = QStringLiteral("Sync Database Group Name");
const QString kCreatedDate = QStringLiteral("Sync Database Group Created Date");
const QString kBackup = QStringLiteral("Sync Backup");

enum Option { optImport = 0, optBoth = 1, optExport = 2 };

}  // namespace

frmDBSync::frmDBSync(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDBSync"));
    setWindowTitle(QStringLiteral("Synchronize Code Libraries?"));

    txtDB1 = new QLineEdit(this);
    txtDB1->setObjectName(QStringLiteral("txtDB1"));
    cmdSelectDB1 = new QPushButton(QStringLiteral("..."), this);
    cmdSelectDB1->setObjectName(QStringLiteral("cmdSelectDB1"));
    cmdSelectDB1->setToolTip(QStringLiteral("Select the Code Library to synchronize with"));
    lblGroupName = new QLabel(this);
    lblGroupName->setObjectName(QStringLiteral("lblGroupName"));
    lblGroupName->setTextFormat(Qt::PlainText);
    lblCreatedDate = new QLabel(this);
    lblCreatedDate->setObjectName(QStringLiteral("lblCreatedDate"));

    fraSync = new QGroupBox(this);
    fraSync->setObjectName(QStringLiteral("fraSync"));
    const QString captions[3] = {QStringLiteral("&Import"), QStringLiteral("&Both Ways"),
                                 QStringLiteral("&Export")};
    auto* options = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        optSyncOptions[i] = new QRadioButton(captions[i], fraSync);
        optSyncOptions[i]->setObjectName(QStringLiteral("optSyncOptions%1").arg(i));
        options->addWidget(optSyncOptions[i]);
    }
    optSyncOptions[optBoth]->setChecked(true);
    chkBackup = new QCheckBox(QStringLiteral("&Backup Original"), fraSync);
    chkBackup->setObjectName(QStringLiteral("chkBackup"));
    auto* frameLayout = new QVBoxLayout(fraSync);
    frameLayout->addWidget(new QLabel(QStringLiteral("Synchronization Direction:"), fraSync));
    frameLayout->addLayout(options);
    frameLayout->addWidget(chkBackup);

    cmdSync = new QPushButton(QStringLiteral("&Synchronize"), this);
    cmdSync->setObjectName(QStringLiteral("cmdSync"));
    cmdSync->setDefault(true);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdHelp = new QPushButton(QStringLiteral("&Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    StatusBar1 = new controls::StatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->addPanel(QString(), 200, QString(), controls::sbrText, controls::sbrSpring);

    connect(cmdSelectDB1, &QPushButton::clicked, this, &frmDBSync::cmdSelectDB1_Click);
    connect(cmdSync, &QPushButton::clicked, this, &frmDBSync::cmdSync_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmDBSync::cmdClose_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmDBSync::cmdHelp_Click);

    auto* other = new QGridLayout;
    other->addWidget(new QLabel(QStringLiteral("Code Library Group:"), this), 0, 0);
    other->addWidget(lblGroupName, 0, 1);
    other->addWidget(new QLabel(QStringLiteral("Group Created On::"), this), 1, 0);
    other->addWidget(lblCreatedDate, 1, 1);
    other->setColumnStretch(1, 1);
    auto* path = new QHBoxLayout;
    path->addWidget(txtDB1, 1);
    path->addWidget(cmdSelectDB1);
    auto* note = new QHBoxLayout;
    auto* noteTitle = new QLabel(QStringLiteral("Note:"), this);
    QFont bold = noteTitle->font();
    bold.setBold(true);
    noteTitle->setFont(bold);
    note->addWidget(noteTitle, 0, Qt::AlignTop);
    note->addWidget(
        wrappedLabel(QStringLiteral("Synchronizing Code Libraries will  DELETE  anything that has been "
                                    "Deleted in either Code Library."),
                     this),
        1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdHelp);
    buttons->addStretch(1);
    buttons->addWidget(cmdSync);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(path);
    layout->addLayout(other);
    layout->addWidget(fraSync);
    layout->addWidget(wrappedLabel(
        QStringLiteral("You can only Synchronize Code Libraries that are in the same Code Library Group."),
        this));
    layout->addLayout(note);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);
    resize(520, sizeHint().height());
}

QString frmDBSync::instanceApp() const {
    return store::instanceAppName(m_main ? m_main->InstanceName() : QString());
}

void frmDBSync::status(const QString& text) {
    StatusBar1->panel(1)->setText(text);
    StatusBar1->repaint();
}

void frmDBSync::readOpenGroup(QString& guid, QString& name) const {
    engine::Database* db = m_main ? m_main->database() : nullptr;
    if (!db) throw engine::Error(engine::errObjectClosed, QStringLiteral("No Code Library is open."));
    const store::GroupIdentity group = store::readGroupIdentity(*db);
    guid = group.guid;
    name = group.name;
}

void frmDBSync::Form_Load() {
    QString guid, group;
    try {
        readOpenGroup(guid, group);
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("frmDBSync.Form_Load"), m_main);
    }
    const QString app = instanceApp();
    if (!m_syncDBFilename.isEmpty()) {
        txtDB1->setText(m_syncDBFilename);
        cmdSelectDB1->setEnabled(false);
    } else {
        txtDB1->setText(store::GetSetting(app, kProperties, kPath));
        lblGroupName->setText(store::GetSetting(app, kProperties, kGroupName));
        lblCreatedDate->setText(store::GetSetting(app, kProperties, kCreatedDate));
    }
    txtDB1->setToolTip(txtDB1->text());
    chkBackup->setChecked(store::Val(store::GetSetting(app, kProperties, kBackup, QStringLiteral("1"))) == 1);
    fraSync->setTitle(QStringLiteral("Synchronize with Group: ") + group);
}

void frmDBSync::cmdSelectDB1_Click() {
    try {
        store::PlayEventSound(store::sndRestoreUp);
        QString chosen;
        {
            frmDBList list(this);
            list.setInitDir(m_main ? store::ParentFolder(m_main->DBFileName()) : QString());
            ui::ShowFormModal(&list, this);
            chosen = list.DBFileName();
        }
        store::PlayEventSound(store::sndRestoreDown);
        QCoreApplication::processEvents();
        if (chosen.isEmpty()) return;
        status(QStringLiteral(" Checking Database..."));
        if (!DBOkForSync(chosen)) return;
        txtDB1->setText(chosen);
        store::SaveSettings(
            instanceApp(), kProperties,
            {{kPath, chosen}, {kGroupName, lblGroupName->text()}, {kCreatedDate, lblCreatedDate->text()}});
        txtDB1->setToolTip(chosen);
        status(QStringLiteral(" Database Selected..."));
    } catch (const engine::Error& err) {
        status(QStringLiteral(" Error Checking Database..."));
        store::ReportError(err, QStringLiteral("frmDBSync.cmdSelectDB1_Click"), m_main);
    }
}

void frmDBSync::sameLibraryMessage() {
    ui::MsgBox(QStringLiteral("Error: You selected the Currently Opened Database!") + LF + LF +
                   QStringLiteral("You can't Synchronize the opened database with itself!"),
               ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Invalid Database"));
}

bool frmDBSync::DBOkForSync(const QString& path) {
    try {
        if (m_main && store::sameFile(m_main->DBFileName(), path)) {
            sameLibraryMessage();
            return false;
        }
        QString openGuid, openGroup;
        readOpenGroup(openGuid, openGroup);
        store::GroupIdentity other;
        const store::GroupCheck check = store::checkSyncGroup({openGuid, openGroup, QString()}, path, other);
        if (check == store::GroupCheck::NotALibrary) {
            status(QStringLiteral(" Invalid Database..."));
            ui::MsgBox(QStringLiteral("This is not a valid Code Library Database!    ") + CR + CR +
                           QStringLiteral("Try again..."),
                       ui::vbOKOnly | ui::vbExclamation | kForeground,
                       QStringLiteral("Incorrect Database..."));
            return false;
        }
        lblGroupName->setText(other.name);
        lblCreatedDate->setText(other.created);
        if (check == store::GroupCheck::SameGroup) return true;
        status(QStringLiteral(" Invalid Database Group..."));
        ui::MsgBox(QStringLiteral("This Code Library Database belongs to a DIFFERENT Database Group!") + CR +
                       CR + QStringLiteral("Current Library Group: \"") + openGroup + QStringLiteral("\"") +
                       CR + QStringLiteral("Selected Library Group: \"") + other.name + QStringLiteral("\"") +
                       CR + CR + QStringLiteral("Try again..."),
                   ui::vbOKOnly | ui::vbExclamation | kForeground,
                   QStringLiteral("Incorrect Database Group"));
        return false;
    } catch (const engine::Error& err) {
        status(QStringLiteral(" Error Checking Database..."));
        store::ReportError(err, QStringLiteral("frmDBSync.DBOkForSync"), m_main);
        return false;
    }
}

void frmDBSync::cmdSync_Click() {
    if (m_busy || !m_main) return;
    const QString other = txtDB1->text().trimmed();
    if (other.right(4).toUpper() != QLatin1String(".MDB")) {
        ui::MsgBox(QStringLiteral("Error: No Import Database was selected!"),
                   ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Error"));
        return;
    }
    if (store::sameFile(m_main->DBFileName(), other)) {
        sameLibraryMessage();
        return;
    }
    // Typed, remembered or given: every other library is checked before anything is exchanged.
    if (!DBOkForSync(other)) return;

    int option = optBoth;
    if (optSyncOptions[optImport]->isChecked()) option = optImport;
    if (optSyncOptions[optExport]->isChecked()) option = optExport;
    const QString question = option == optImport ? QStringLiteral("'Import' Code Library changes?")
                             : option == optExport
                                 ? QStringLiteral("'Export' Code Library changes?")
                                 : QStringLiteral("Synchronize 'Both' Code Library changes?");
    if (ui::MsgBox(question, ui::vbYesNo | ui::vbQuestion | kForeground,
                   QStringLiteral("Synchronize Code Libraries?")) != ui::vbYes)
        return;

    if (store::Val(store::GetSetting(store::generalAppName(), QStringLiteral("General Properties"),
                                     QStringLiteral("Show Sync Warning Message"), QStringLiteral("1"))) ==
        1) {
        m_warningAnswer = 0;
        frmWarning warning(this);
        warning.setMainWindow(m_main);
        warning.setParentWindow(this);
        warning.Form_Load();
        ui::ShowFormModal(&warning, this);
        // Only a Yes goes on: a warning closed any other way is a No.
        if (m_warningAnswer != ui::vbYes) return;
        repaint();
    }

    const QScopedValueRollback<bool> busy(m_busy, true);
    BusyCursor hourglass;
    bool exchanged = false;
    const store::LibraryReplacement outcome = m_main->replaceLibrary([&](QString& path) {
        exchanged = exchange(path, other, option);
        return exchanged;
    });
    if (outcome == store::LibraryReplacement::Cancelled || !exchanged) return;
    if (!m_main->database())
        ui::MsgBox(
            QStringLiteral("Error: Synchronization Completed, but an error occured re-opening the current "
                           "database!"),
            ui::vbOKOnly | ui::vbCritical | kForeground, QStringLiteral("Error"));
    store::SaveSetting(instanceApp(), kProperties, kBackup,
                       chkBackup->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    status(QStringLiteral(" Synchronization Completed..."));
    ui::MsgBox(QStringLiteral("Synchronization Completed!"), ui::vbOKOnly | ui::vbInformation | kForeground,
               QStringLiteral("Success!"));
}

bool frmDBSync::exchange(const QString& path, const QString& other, int option) {
    try {
        // A backup that failed has told the user; nothing is exchanged without it.
        if (store::synchronizeLibrary(
                path, other, store::SyncDirection(option), chkBackup->isChecked(),
                [this](const QString& text) { status(text); }, this))
            return true;
    } catch (const engine::Error& err) {
        status(QStringLiteral(" Synchronization Failed..."));
        store::ReportError(err, QStringLiteral("frmDBSync.cmdSync_Click"), m_main);
        return false;
    }
    status(QStringLiteral(" Synchronization Failed..."));
    return false;
}

void frmDBSync::cmdClose_Click() {
    close();
}

void frmDBSync::cmdHelp_Click() {
    if (m_main) m_main->ShowHelp(15);
}

void frmDBSync::done(int result) {
    if (!m_busy) QDialog::done(result);
}

void frmDBSync::closeEvent(QCloseEvent* event) {
    // Not while an exchange runs: its handlers are still on the way back here.
    if (m_busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
