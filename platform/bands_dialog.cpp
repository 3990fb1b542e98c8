#include "platform/bands_dialog.h"

#include "platform/toolbar.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace toolbar {

BandsDialog::BandsDialog(Bar* bar, QWidget* parent) : QDialog(parent), m_bar(bar) {
    setObjectName(QStringLiteral("frmBands"));
    setWindowTitle(tr("Toolbars"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(tr("Show"), this);
    group->setObjectName(QStringLiteral("fraBands"));
    m_boxes = new QVBoxLayout(group);
    layout->addWidget(group);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("cmdClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(bar, &Bar::layoutChanged, this, &BandsDialog::bandChanged);
    rebuild();
}

void BandsDialog::rebuild() {
    while (QLayoutItem* item = m_boxes->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (!m_bar) return;
    for (const Band* band : m_bar->bands()) {
        if (band->isMenu()) continue;
        const QString name = band->name();
        auto* box = new QCheckBox(band->caption().isEmpty() ? name : band->caption());
        box->setObjectName(QStringLiteral("chk") + name);
        box->setChecked(band->isVisible());
        // Looked up by name each time: a loaded layout replaces the band objects.
        connect(box, &QCheckBox::toggled, this, [this, name](bool on) {
            if (Band* b = m_bar ? m_bar->findBand(name) : nullptr) b->setVisible(on);
        });
        m_boxes->addWidget(box);
    }
}

void BandsDialog::bandChanged(const QString& bandName) {
    if (bandName.isEmpty()) {
        rebuild();
        return;
    }
    const Band* band = m_bar ? m_bar->findBand(bandName) : nullptr;
    auto* box = findChild<QCheckBox*>(QStringLiteral("chk") + bandName);
    if (!band || !box) return;
    const QSignalBlocker block(box);
    box->setChecked(band->isVisible());
}

}  // namespace toolbar
