#include "library/frmDBList.h"

#include "platform/controls.h"
#include "platform/ui.h"
#include "store/codelib.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/form_routines.h"
#include "store/repair_compact.h"
#include "store/settings.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QString LF = QStringLiteral("\n");
const QString CR = QStringLiteral("\r");
constexpr int kForegroundBox = ui::vbMsgBoxSetForeground;

// A database drum, the library rows' picture.
QPixmap libraryPicture(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size * 0.78, x = (size - w) / 2, lid = size * 0.24, top = size * 0.1;
    const qreal bottom = size - top - lid;
    QLinearGradient body(x, 0, x + w, 0);
    body.setColorAt(0, QColor(0x2f, 0x6f, 0xb5));
    body.setColorAt(0.45, QColor(0x7d, 0xb4, 0xe8));
    body.setColorAt(1, QColor(0x23, 0x57, 0x93));
    p.setPen(QPen(QColor(0x1b, 0x3f, 0x6b), size / 16.0));
    p.setBrush(body);
    QPainterPath drum;
    drum.moveTo(x, top + lid / 2);
    drum.lineTo(x, bottom + lid / 2);
    drum.arcTo(QRectF(x, bottom, w, lid), 180, 180);
    drum.lineTo(x + w, top + lid / 2);
    drum.arcTo(QRectF(x, top, w, lid), 0, -180);
    p.drawPath(drum);
    p.setBrush(QColor(0xb9, 0xd8, 0xf5));
    p.drawEllipse(QRectF(x, top, w, lid));
    return picture;
}

void notALibrary(const QString& path) {
    ui::MsgBox(QStringLiteral("Error: The Code Library that you selected:") + LF + LF + QStringLiteral("'") +
                   path + QStringLiteral("'") + LF + LF +
                   QStringLiteral("Is NOT a VALID 'Code Library' Database!") + CR + CR +
                   QStringLiteral("Try again..."),
               ui::vbOKOnly | ui::vbExclamation | kForegroundBox, QStringLiteral("Invalid Database"));
}

}  // namespace

frmDBList::frmDBList(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDBList"));
    setWindowTitle(QStringLiteral(" Select Code Library..."));
    setWindowIcon(QIcon(libraryPicture(32)));

    m_smallIcons = new controls::ImageList(QSize(16, 16), this);
    m_smallIcons->add(QStringLiteral("MORE"), style()->standardIcon(QStyle::SP_DirOpenIcon));
    m_smallIcons->add(QStringLiteral("LIBRARY"), libraryPicture(16));

    auto* picture = new QLabel(this);
    picture->setPixmap(libraryPicture(32));
    auto* caption = new QLabel(tr("Code Libraries used before, the most recent first:"), this);

    lstvDatabases = new controls::ListView(this);
    lstvDatabases->setObjectName(QStringLiteral("lstvDatabases"));
    lstvDatabases->setView(controls::lvwReport);
    lstvDatabases->setLabelEdit(controls::lvwManual);
    lstvDatabases->setSmallIcons(m_smallIcons);
    lstvDatabases->addColumn(QStringLiteral("Library"), 190);
    lstvDatabases->addColumn(QStringLiteral("Folder"), 250);
    lstvDatabases->addColumn(QStringLiteral("Group"), 130);

    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addWidget(caption, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lstvDatabases, 1);
    layout->addLayout(buttons);
    resize(620, 320);

    connect(cmdOk, &QPushButton::clicked, this, &frmDBList::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmDBList::cmdCancel_Click);
    connect(lstvDatabases, &controls::ListView::dblClick, this, &frmDBList::lstvDatabases_DblClick);

    Form_Load();
}

void frmDBList::Form_Load() {
    m_dbFileName.clear();
    lstvDatabases->clear();
    lstvDatabases->setSelectedItem(lstvDatabases->add(QString(), QStringLiteral("More Code Libraries..."),
                                                      QString(), QStringLiteral("MORE")));

    const QString app = store::generalAppName();
    const QString end = QStringLiteral("END");
    for (int i = 1; i <= 21; ++i) {
        const QString entry = store::GetSetting(app, QStringLiteral("Libraries"), QString::number(i), end);
        if (entry == end) break;
        const QString path = store::GetToken(1, entry, QStringLiteral(";"));
        const QString group = store::GetToken(2, entry, QStringLiteral(";"));
        if (path.isEmpty() || path == end || !store::FileExists(path)) continue;
        // A hand-edited list may name a library twice; one row is enough.
        if (lstvDatabases->findItem(path)) continue;
        controls::ListItem* row =
            lstvDatabases->add(path, store::FileNamePart(path), QString(), QStringLiteral("LIBRARY"));
        row->setSubItem(1, store::ParentFolder(path));
        if (!group.isEmpty()) row->setSubItem(2, group);
    }
    store::SetFullRowSelect(*lstvDatabases);
}

void frmDBList::cmdOk_Click() {
    ChooseLibrary();
}

void frmDBList::lstvDatabases_DblClick() {
    ChooseLibrary();
}

void frmDBList::cmdCancel_Click() {
    reject();
}

void frmDBList::ChooseLibrary() {
    bool hidden = false;
    try {
        const controls::ListItem* row = lstvDatabases->selectedItem();
        m_dbFileName = row ? row->key() : QString();
        if (m_dbFileName.isEmpty()) {
            m_dbFileName = ui::GetOpenFileName(
                this, QStringLiteral("Select Code Library..."),
                QStringLiteral("Access (*.mdb)|*.mdb") + QStringLiteral("|All Files (*.*)|*.*|"), 1,
                m_initDir);
            if (m_dbFileName.trimmed().isEmpty()) {
                m_dbFileName.clear();
                return;
            }
            // Hiding ends the modal display; the caller goes on once this choice has returned, so it
            // reads the outcome of the check below.
            hide();
            hidden = true;
            QCoreApplication::processEvents();
        }

        if (ValidateLibrary(m_dbFileName)) {
            if (store::FileExists(m_dbFileName)) {
                store::AddToRecentList(m_dbFileName, m_groupName, store::generalAppName(),
                                       QStringLiteral("Libraries"), 20);
                accept();
                return;
            }
            ui::MsgBox(
                QStringLiteral("Error: The Code Library that you selected from the list:") + LF + LF +
                    m_dbFileName + LF + LF + QStringLiteral("No longer exists in the specified location!"),
                ui::vbOKOnly | ui::vbExclamation | kForegroundBox, QStringLiteral("Code Library NOT Found"));
        }
        // Nothing was chosen: a later cancel must not hand a refused file to the caller.
        m_dbFileName.clear();
        m_groupName.clear();
    } catch (const engine::Error& err) {
        m_dbFileName.clear();
        m_groupName.clear();
        store::ReportError(err, QStringLiteral("frmDBList.cmdOk_Click"));
    }
    if (hidden) done(QDialog::Rejected);
}

bool frmDBList::ValidateLibrary(const QString& path) {
    store::startWorkspace();
    for (;;) {
        m_groupName.clear();
        engine::Database* database = nullptr;
        try {
            database = store::sharedWorkspace()->OpenDatabase(path, false, false);
        } catch (const engine::Error& err) {
            // A repair mends a damaged library; it can neither make a library of another file nor
            // free one that another program holds, and must not try.
            if (err.number() == engine::errNotADatabase) {
                notALibrary(path);
                return false;
            }
            if (err.number() == engine::errLocked) {
                ui::MsgBox(QStringLiteral("The Code Library '") + path +
                               QStringLiteral("' is in use by another program.") + LF + LF +
                               QStringLiteral("Close it there, or try again when it is free."),
                           ui::vbOKOnly | ui::vbExclamation | kForegroundBox,
                           QStringLiteral("Code Library in Use"));
                return false;
            }
            const int answer = ui::MsgBox(
                QStringLiteral("An Error occured while opening this Code Library!") + LF + LF +
                    QStringLiteral("Would you like to 'Repair and Compact' this Code Library, to try to fix "
                                   "this Error?"),
                ui::vbYesNo | ui::vbQuestion | kForegroundBox, QStringLiteral("Repair and Compact?"));
            if (answer != ui::vbYes) return true;
            if (!store::RepairCompact(path)) {
                ui::MsgBox(QStringLiteral("Database Repair and Compact has FAILED!"),
                           ui::vbOKOnly | ui::vbInformation | kForegroundBox, QStringLiteral("Failure!"));
                return false;
            }
            ui::MsgBox(QStringLiteral("Database Repair and Compact was Completed Successfully!") + LF + LF +
                           QStringLiteral("Click OK to try and open the Code Library again."),
                       ui::vbOKOnly | ui::vbInformation | kForegroundBox, QStringLiteral("Success!"));
            continue;
        }

        bool valid = true;
        try {
            auto system = database->OpenRecordset(QStringLiteral("SELECT * FROM [System]"),
                                                  engine::dbOpenDynaset, engine::dbReadOnly);
            // Only a missing System table refuses the file; an empty one just leaves the group blank.
            m_groupName = system->Fields(QStringLiteral("GroupName")).text();
            system->Close();
        } catch (const engine::Error& err) {
            if (err.number() == engine::errTableMissing) {
                notALibrary(path);
                valid = false;
            }
        }
        store::DBClose(database);
        return valid;
    }
}
