#include "library/frmDBNew.h"

#include "library/dialogs_p.h"
#include "store/codelib.h"
#include "store/engine/replication.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/library_files.h"
#include "store/library_schema.h"
#include "store/main_window.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QVBoxLayout>

using namespace library::detail;

frmDBNew::frmDBNew(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDBNew"));
    setWindowTitle(QStringLiteral(" New Code Library Group"));

    auto* picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_FileDialogNewFolder).pixmap(32));
    auto* explanation = wrappedLabel(
        QStringLiteral(
            "This feature lets you create a new Code Library.  Code Libraries can only be Synchronized "
            "if they are Replicated within the same Code Library Group.  For more information see Help."),
        this);
    txtGroupName = new QLineEdit(this);
    txtGroupName->setObjectName(QStringLiteral("txtGroupName"));
    auto* nameLabel = new QLabel(QStringLiteral("&Group Name:"), this);
    nameLabel->setBuddy(txtGroupName);

    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdHelp = new QPushButton(QStringLiteral("&Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    connect(cmdOk, &QPushButton::clicked, this, &frmDBNew::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmDBNew::cmdCancel_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmDBNew::cmdHelp_Click);

    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addWidget(explanation, 1);
    auto* name = new QHBoxLayout;
    name->addWidget(nameLabel);
    name->addWidget(txtGroupName, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdHelp);
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addLayout(name);
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(440, sizeHint().height());
}

void frmDBNew::enableButtons(bool enabled) {
    cmdOk->setEnabled(enabled);
    cmdCancel->setEnabled(enabled);
}

void frmDBNew::cmdOk_Click() {
    const QString group = txtGroupName->text();
    if (group.trimmed().isEmpty()) {
        ui::MsgBox(QStringLiteral("You must enter a Group Name for the New Code Library Database Group!"),
                   ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Group Name Required"));
        return;
    }
    if (!m_main) return;
    const QString current = m_main->DBFileName();
    store::PlayEventSound(store::sndRestoreUp);
    const QString target =
        ui::GetSaveFileName(this, QStringLiteral("Create New Code Library Database?"),
                            QStringLiteral("Access (*.mdb)|*.mdb") + QStringLiteral("|All Files (*.*)|*.*|"),
                            1, store::ParentFolder(current), QStringLiteral("NewCodeLib.mdb"));
    if (target.isEmpty()) return;

    // A library being replaced stays whole and locked until the new one takes its name.
    std::unique_ptr<engine::Database> held;
    if (store::FileExists(target)) {
        if (store::sameFile(target, current)) {
            ui::MsgBox(
                QStringLiteral("The New Code Library database that you selected is the same as the currently "
                               "opened database!") +
                    CRLF + CRLF +
                    QStringLiteral("To Replace the current database you must open a 'different' database "
                                   "first!"),
                ui::vbOKOnly | ui::vbInformation | kForeground, QStringLiteral("Ouch!"));
            return;
        }
        if (ui::MsgBox(QStringLiteral("This Code Library ALREADY EXISTS!") + LF + LF +
                           QStringLiteral("Replace it with a new Code Library?"),
                       ui::vbYesNo | ui::vbQuestion | kForeground,
                       QStringLiteral("Database Exists")) != ui::vbYes)
            return;
        if (ui::MsgBox(
                QStringLiteral("ARE YOU SURE???") + CRLF + CRLF +
                    QStringLiteral("That you want to PERMENENTLY REPLACE this existing Code Library database "
                                   "and all of it's Code???") +
                    CRLF + CRLF + target,
                ui::vbYesNo | ui::vbQuestion | kForeground,
                QStringLiteral("Really WIPEOUT this Code Library Database???")) != ui::vbYes)
            return;
        try {
            held = store::lockForReplacement(target);
        } catch (const engine::Error&) {
            ui::MsgBox(QStringLiteral("Error: Could not Replace \"") + target + QStringLiteral("\"!") + LF +
                           LF + QStringLiteral("Please make sure this database is not currently open,") + LF +
                           QStringLiteral("or manually delete this Code Library, and Try Again."),
                       ui::vbOKOnly | ui::vbExclamation | kForeground,
                       QStringLiteral("Error occured Replacing Code Library"));
            return;
        }
    }

    bool made = false;
    {
        const QScopedValueRollback<bool> busy(m_busy, true);
        BusyCursor hourglass;
        enableButtons(false);
        repaint();
        QCoreApplication::processEvents();
        m_main->StatusBar(QStringLiteral("Creating New Code Library..."));
        const QString guid = store::newGroupGuid();
        const QDateTime created = QDateTime::currentDateTime();
        m_main->replaceLibrary([&](QString& path) {
            try {
                store::createGroupLibrary(path, target, guid, created, group);
                held.reset();
                path = target;
                made = true;
            } catch (const engine::Error& err) {
                held.reset();
                store::ReportError(err, QStringLiteral("frmDBNew.cmdOk_Click"), m_main);
            }
            return made;
        });
        enableButtons(true);
    }
    if (!made) return;  // the library that was open is open again; the dialog stays
    if (!m_main->database()) {
        // The new file would not open: back to the library that was open before.
        QString before = current;
        engine::Database* reopened = nullptr;
        m_main->ReOpenDB(before, reopened);
        return;
    }
    store::AddToRecentList(target, group, store::generalAppName(), QStringLiteral("Libraries"), 20);
    m_main->StatusBar(QStringLiteral("New Code Library is Ready..."));
    ui::MsgBox(
        QStringLiteral("New Code Library was created for   ") + LF + LF + QStringLiteral("Group: ") + group,
        ui::vbOKOnly | ui::vbInformation | kForeground, QStringLiteral("Code Library Created"));
    accept();
}

void frmDBNew::done(int result) {
    if (!m_busy) QDialog::done(result);
}

void frmDBNew::cmdCancel_Click() {
    reject();
}

void frmDBNew::cmdHelp_Click() {
    if (m_main) m_main->ShowHelp(15);
}
