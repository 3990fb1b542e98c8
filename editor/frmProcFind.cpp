#include "editor/frmProcFind.h"

#include "platform/tab_strip.h"
#include "platform/ui.h"
#include "store/form_routines.h"
#include "store/main_window.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kSection = QStringLiteral("Last Search Items");
const QString kCatNameKey = QStringLiteral("Cat Name Checkbox");
const QString kProcNameKey = QStringLiteral("Proc Name Checkbox");
const QString kProcDescKey = QStringLiteral("Proc Desc Checkbox");
const QString kEnd = QStringLiteral("END");

QString setting(const QString& key, const QString& defaultValue) {
    return store::GetSetting(store::generalAppName(), kSection, key, defaultValue);
}

QString checkText(const QCheckBox* box) {
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

void oops(const QString& text) {
    ui::MsgBox(text, ui::vbOKOnly | ui::vbInformation | ui::vbMsgBoxSetForeground, QStringLiteral("Oops!"));
}

}  // namespace

frmProcFind::frmProcFind(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmProcFind"));
    setWindowTitle(QStringLiteral("Find"));

    TabStrip = new controls::TabStrip(this);
    TabStrip->setObjectName(QStringLiteral("TabStrip"));
    TabStrip->add(QStringLiteral("String"), QStringLiteral("By String"));
    TabStrip->add(QStringLiteral("Date"), QStringLiteral("By Date"));
    TabStrip->installEventFilter(this);
    connect(TabStrip, &controls::TabStrip::click, this, &frmProcFind::TabStrip_Click);

    for (int i = 0; i < 2; ++i) {
        picContainer[i] = new QFrame(TabStrip);
        picContainer[i]->setObjectName(QStringLiteral("picContainer%1").arg(i));
    }

    // By String: the text with its history, and the fields to look in.
    cboFind = new QComboBox(picContainer[0]);
    cboFind->setObjectName(QStringLiteral("cboFind"));
    cboFind->setEditable(true);
    cboFind->setInsertPolicy(QComboBox::NoInsert);
    cboFind->setMinimumContentsLength(28);
    fraSearch = new QGroupBox(QStringLiteral("Search"), picContainer[0]);
    fraSearch->setObjectName(QStringLiteral("fraSearch"));
    const auto check = [this](const char* name, const char* caption) {
        auto* box = new QCheckBox(QString::fromLatin1(caption), fraSearch);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    chkCatNames = check("chkCatNames", "Category Name");
    chkProcNames = check("chkProcNames", "Procedure Name");
    chkProcDesc = check("chkProcDesc", "Procedure Description");
    chkProcCode = check("chkProcCode", "Procedure Code");
    auto* fields = new QGridLayout(fraSearch);
    fields->addWidget(chkCatNames, 0, 0);
    fields->addWidget(chkProcNames, 1, 0);
    fields->addWidget(chkProcDesc, 0, 1);
    fields->addWidget(chkProcCode, 1, 1);
    auto* byString = new QVBoxLayout(picContainer[0]);
    byString->addWidget(cboFind);
    byString->addWidget(fraSearch);
    byString->addStretch();

    // By Date: the first and the last day.
    const auto picker = [this](const char* name) {
        auto* date = new QDateEdit(picContainer[1]);
        date->setObjectName(QString::fromLatin1(name));
        date->setDisplayFormat(QStringLiteral("M/d/yyyy"));
        date->setCalendarPopup(true);
        return date;
    };
    dtpFrom = picker("dtpFrom");
    dtpTo = picker("dtpTo");
    auto* byDate = new QGridLayout(picContainer[1]);
    byDate->addWidget(new QLabel(QStringLiteral("Search by the Last-Modified Date:"), picContainer[1]), 0, 0,
                      1, 2);
    byDate->addWidget(new QLabel(QStringLiteral("From:"), picContainer[1]), 1, 0);
    byDate->addWidget(dtpFrom, 1, 1);
    byDate->addWidget(new QLabel(QStringLiteral("To:"), picContainer[1]), 2, 0);
    byDate->addWidget(dtpTo, 2, 1);
    byDate->setColumnStretch(2, 1);
    byDate->setRowStretch(3, 1);

    cmdFindNow = new QPushButton(QStringLiteral("&Find Now"), this);
    cmdFindNow->setObjectName(QStringLiteral("cmdFindNow"));
    cmdFindNow->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Close"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdFindNow, &QPushButton::clicked, this, &frmProcFind::cmdFindNow_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmProcFind::cmdCancel_Click);

    // The strip is as large as the larger panel needs; the panels are laid over its client area.
    const QSize panel = picContainer[0]->sizeHint().expandedTo(picContainer[1]->sizeHint());
    const QRect client = TabStrip->clientRect();
    TabStrip->setMinimumSize(panel +
                             QSize(TabStrip->width() - client.width(), TabStrip->height() - client.height()));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdFindNow);
    buttons->addWidget(cmdCancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(TabStrip, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    TabStrip_Click();
}

frmProcFind::~frmProcFind() = default;

void frmProcFind::Form_Load() {
    chkCatNames->setChecked(store::Val(setting(kCatNameKey, QStringLiteral("1"))) == 1);
    chkProcNames->setChecked(store::Val(setting(kProcNameKey, QStringLiteral("1"))) == 1);
    chkProcDesc->setChecked(store::Val(setting(kProcDescKey, QStringLiteral("1"))) == 1);
    chkProcCode->setChecked(false);

    const QDate today = QDate::currentDate();
    dtpFrom->setDate(today.addMonths(-1));
    dtpTo->setDate(today);

    cboFind->clear();
    for (int i = 1; i <= kHistorySize + 1; ++i) {
        const QString value = setting(QString::number(i), kEnd);
        if (value == kEnd) break;
        if (!value.isEmpty()) cboFind->addItem(value);
        if (i == 1) {
            cboFind->setEditText(value);
            cboFind->lineEdit()->selectAll();
        }
    }
}

store::SearchFields frmProcFind::fields() const {
    return {chkCatNames->isChecked(), chkProcNames->isChecked(), chkProcDesc->isChecked(),
            chkProcCode->isChecked()};
}

QString frmProcFind::searchStatement() const {
    if (TabStrip->selectedKey() == QLatin1String("Date"))
        return store::searchByDateSQL(dtpFrom->date(), dtpTo->date());
    return store::searchByTextSQL(cboFind->currentText(), fields());
}

void frmProcFind::cmdFindNow_Click() {
    if (TabStrip->selectedKey() == QLatin1String("Date")) {
        handOver(searchStatement());
        return;
    }
    const QString text = cboFind->currentText();
    if (text.trimmed().isEmpty()) {
        oops(QStringLiteral("Please enter Search Criteria."));
        return;
    }
    const store::SearchFields f = fields();
    if (!f.catNames && !f.procNames && !f.procDesc && !f.procCode) {
        oops(QStringLiteral("Please 'check' at least one area to search!"));
        return;
    }
    const QString sql = searchStatement();
    store::SaveSettings(store::generalAppName(), kSection,
                        {{kCatNameKey, checkText(chkCatNames)},
                         {kProcNameKey, checkText(chkProcNames)},
                         {kProcDescKey, checkText(chkProcDesc)}});
    saveHistory(text);
    cboFind->lineEdit()->selectAll();
    cboFind->setFocus();
    handOver(sql);
}

void frmProcFind::saveHistory(const QString& text) {
    // Newest first and without gaps: a text searched again moves to the top instead of leaving its
    // old key empty, so the history keeps room for 20 different texts.
    QStringList history{text};
    for (int i = 0; i < cboFind->count() && history.size() < kHistorySize; ++i)
        if (const QString entry = cboFind->itemText(i); !history.contains(entry)) history << entry;
    // Key 21 is read too; whatever an older version left there is not kept.
    QList<std::pair<QString, QString>> values;
    for (int i = 0; i <= kHistorySize; ++i) values.append({QString::number(i + 1), history.value(i)});
    store::SaveSettings(store::generalAppName(), kSection, values);
    cboFind->clear();
    cboFind->addItems(history);
    cboFind->setEditText(text);
}

void frmProcFind::handOver(const QString& sql) {
    if (!m_mainWindow) return;
    m_mainWindow->SetForSearch();
    m_mainWindow->ProcRefresh(sql);
    m_mainWindow->StatusBar(QStringLiteral("Search results Displayed..."));
}

void frmProcFind::cmdCancel_Click() {
    close();
}

void frmProcFind::TabStrip_Click() {
    store::ShowTabPanel(*TabStrip, {picContainer[0], picContainer[1]});
}

bool frmProcFind::eventFilter(QObject* watched, QEvent* event) {
    // The panels are laid over the strip's client area, which moves with the strip.
    if (watched == TabStrip && event->type() == QEvent::Resize) TabStrip_Click();
    return QDialog::eventFilter(watched, event);
}

void frmProcFind::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    TabStrip_Click();
}
