#include "ide/customize_dialog.h"

#include "ide/vbe.h"
#include "platform/ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace ide {

CustomizeDialog::CustomizeDialog(Vbe* vbe, QWidget* parent) : QDialog(parent), m_vbe(vbe) {
    setObjectName(QStringLiteral("CustomizeDialog"));
    setWindowTitle(QStringLiteral("Customize Command Bars"));
    lstBars = new QListWidget(this);
    lstControls = new QListWidget(this);
    chkVisible = new QCheckBox(QStringLiteral("&Visible"), this);
    chkBeginGroup = new QCheckBox(QStringLiteral("Begin a &Group"), this);
    cboTarget = new QComboBox(this);
    cmdUp = new QPushButton(QStringLiteral("Move &Up"), this);
    cmdDown = new QPushButton(QStringLiteral("Move &Down"), this);
    cmdMoveTo = new QPushButton(QStringLiteral("&Move To"), this);
    cmdDelete = new QPushButton(QStringLiteral("De&lete"), this);
    for (Bar* bar : vbe->bars()) {
        lstBars->addItem(QString(bar->title()).remove(u'&'));
        cboTarget->addItem(QString(bar->title()).remove(u'&'));
    }

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Command &bars:"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("&Controls:"), this), 0, 1);
    grid->addWidget(lstBars, 1, 0);
    grid->addWidget(lstControls, 1, 1);
    grid->addWidget(chkVisible, 2, 0);
    auto* buttons = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(cmdUp), static_cast<QWidget*>(cmdDown),
                       static_cast<QWidget*>(chkBeginGroup), static_cast<QWidget*>(cmdDelete),
                       static_cast<QWidget*>(cboTarget), static_cast<QWidget*>(cmdMoveTo)})
        buttons->addWidget(w);
    buttons->addStretch();
    grid->addLayout(buttons, 1, 2);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(close);
    resize(620, 420);

    connect(lstBars, &QListWidget::currentRowChanged, this, &CustomizeDialog::fillControls);
    connect(lstControls, &QListWidget::currentRowChanged, this, &CustomizeDialog::updateButtons);
    connect(cmdUp, &QPushButton::clicked, this, &CustomizeDialog::moveUp);
    connect(cmdDown, &QPushButton::clicked, this, &CustomizeDialog::moveDown);
    connect(cmdMoveTo, &QPushButton::clicked, this, &CustomizeDialog::moveToTarget);
    connect(cmdDelete, &QPushButton::clicked, this, &CustomizeDialog::deleteControl);
    connect(chkVisible, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_filling && currentBar()) currentBar()->setVisible(on);
    });
    connect(chkBeginGroup, &QCheckBox::toggled, this, [this](bool on) {
        if (m_filling || !currentControl()) return;
        currentControl()->setBeginGroup(on);
        fillControls();
    });
    lstBars->setCurrentRow(0);
}

Bar* CustomizeDialog::currentBar() const {
    const int row = lstBars->currentRow();
    return row >= 0 && row < m_vbe->bars().size() ? m_vbe->bars()[row] : nullptr;
}

Control* CustomizeDialog::currentControl() const {
    const Bar* bar = currentBar();
    const int row = lstControls->currentRow();
    return bar && row >= 0 && row < bar->controls().size() ? bar->controls()[row] : nullptr;
}

void CustomizeDialog::selectBar(Bar* bar) {
    lstBars->setCurrentRow(int(m_vbe->bars().indexOf(bar)));
}

void CustomizeDialog::selectControl(Control* control) {
    if (control && control->bar() != currentBar()) selectBar(control->bar());
    lstControls->setCurrentRow(currentBar() ? int(currentBar()->controls().indexOf(control)) : -1);
}

void CustomizeDialog::fillControls() {
    Control* keep = currentControl();
    m_filling = true;
    lstControls->clear();
    if (Bar* bar = currentBar()) {
        for (Control* control : bar->controls()) {
            auto* item = new QListWidgetItem(control->action()->icon(),
                                             (control->BeginGroup() ? QStringLiteral("— ") : QString()) +
                                                 QString(control->Caption()).remove(u'&'),
                                             lstControls);
            item->setToolTip(control->tooltipText());
        }
        chkVisible->setChecked(bar->Visible());
        chkVisible->setEnabled(bar->kind() == Bar::Toolbar);
        if (keep && keep->bar() == bar) lstControls->setCurrentRow(int(bar->controls().indexOf(keep)));
    }
    m_filling = false;
    updateButtons();
}

void CustomizeDialog::updateButtons() {
    const Control* control = currentControl();
    const int index = control ? int(control->bar()->controls().indexOf(const_cast<Control*>(control))) : -1;
    cmdUp->setEnabled(control && index > 0);
    cmdDown->setEnabled(control && index < control->bar()->controls().size() - 1);
    cmdDelete->setEnabled(control);
    cmdMoveTo->setEnabled(control);
    chkBeginGroup->setEnabled(control);
    m_filling = true;
    chkBeginGroup->setChecked(control && control->BeginGroup());
    m_filling = false;
}

void CustomizeDialog::moveBy(int offset) {
    Control* control = currentControl();
    if (!control) return;
    move(control, control->bar(), control->Index() + offset);
    fillControls();
    selectControl(control);
}

void CustomizeDialog::move(Control* control, Bar* bar, int before) {
    try {
        control->moveTo(bar, before);
    } catch (const mrv::Error& e) {
        ui::MsgBox(e.description(), ui::vbOKOnly | ui::vbExclamation, windowTitle());
    }
}

void CustomizeDialog::moveUp() {
    moveBy(-1);
}

void CustomizeDialog::moveDown() {
    moveBy(1);
}

void CustomizeDialog::moveToTarget() {
    Control* control = currentControl();
    const int target = cboTarget->currentIndex();
    if (!control || target < 0 || target >= m_vbe->bars().size()) return;
    Bar* bar = m_vbe->bars()[target];
    move(control, bar, bar == control->bar() ? bar->Controls()->Count() : bar->Controls()->Count() + 1);
    selectControl(control);
}

void CustomizeDialog::deleteControl() {
    Control* control = currentControl();
    if (!control) return;
    if (ui::MsgBox(QStringLiteral("Delete \"") + QString(control->Caption()).remove(u'&') +
                       QStringLiteral("\" from the command bar?"),
                   ui::vbYesNo | ui::vbQuestion, QStringLiteral("Customize Command Bars")) != ui::vbYes)
        return;
    const int row = lstControls->currentRow();
    control->Delete();
    fillControls();
    lstControls->setCurrentRow(qMin(row, lstControls->count() - 1));
}

}  // namespace ide
