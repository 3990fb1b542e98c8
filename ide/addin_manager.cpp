#include "ide/addin_manager.h"

#include "ide/vbe.h"
#include "platform/ui.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ide {

namespace {

QTableWidgetItem* checkItem(bool checked) {
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

}  // namespace

AddInManager::AddInManager(Vbe* vbe, QWidget* parent) : QDialog(parent), m_vbe(vbe) {
    setObjectName(QStringLiteral("AddInManager"));
    setWindowTitle(QStringLiteral("Add-In Manager"));
    vbe->readAddInList();
    tblAddIns = new QTableWidget(int(vbe->addIns().size()), 3, this);
    tblAddIns->setHorizontalHeaderLabels(
        {QStringLiteral("Add-In"), QStringLiteral("Loaded"), QStringLiteral("Load on Startup")});
    tblAddIns->horizontalHeader()->setSectionResizeMode(ProgIdColumn, QHeaderView::Stretch);
    tblAddIns->verticalHeader()->hide();
    tblAddIns->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int row = 0; row < vbe->addIns().size(); ++row) {
        const AddInEntry* entry = vbe->addIns()[row];
        auto* name = new QTableWidgetItem(entry->ProgId());
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        tblAddIns->setItem(row, ProgIdColumn, name);
        tblAddIns->setItem(row, LoadedColumn, checkItem(entry->isConnected()));
        tblAddIns->setItem(row, StartupColumn, checkItem(entry->loadOnStartup()));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    auto* note =
        new QLabel(vbe->addIns().isEmpty() ? QStringLiteral("No add-ins are listed in the add-in list.")
                                           : QStringLiteral("Add-ins listed in the add-in list:"),
                   this);
    layout->addWidget(note);
    layout->addWidget(tblAddIns);
    layout->addWidget(buttons);
    resize(520, 300);
}

void AddInManager::apply() {
    for (int row = 0; row < tblAddIns->rowCount() && row < m_vbe->addIns().size(); ++row) {
        AddInEntry* entry = m_vbe->addIns()[row];
        const bool loaded = tblAddIns->item(row, LoadedColumn)->checkState() == Qt::Checked;
        const bool startup = tblAddIns->item(row, StartupColumn)->checkState() == Qt::Checked;
        if (startup != entry->loadOnStartup()) entry->setLoadOnStartup(startup);
        try {
            if (loaded && !entry->isConnected())
                entry->connectAddIn(ConnectAfterStartup);
            else if (!loaded && entry->isConnected())
                entry->disconnectAddIn(RemoveByUser);
        } catch (const mrv::Error& e) {
            ui::MsgBox(QStringLiteral("The add-in \"") + entry->ProgId() +
                           QStringLiteral("\" could not be loaded.\n\n") + e.description(),
                       ui::vbOKOnly | ui::vbExclamation, QStringLiteral("Add-In Manager"));
        }
    }
}

}  // namespace ide
