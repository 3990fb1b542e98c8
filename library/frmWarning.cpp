#include "library/frmWarning.h"

#include "library/dialogs_p.h"
#include "library/frmDBSync.h"
#include "store/main_window.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

using library::detail::wrappedLabel;

const QString kGeneral = QStringLiteral("General Properties");
const QString kShowWarning = QStringLiteral("Show Sync Warning Message");

}  // namespace

frmWarning::frmWarning(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmWarning"));
    setWindowTitle(QStringLiteral("Morvane WARNING!"));

    auto* picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48));
    auto* heading = new QLabel(QStringLiteral("Warning!"), this);
    QFont big = heading->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    heading->setFont(big);
    auto* danger = wrappedLabel(QStringLiteral("Synchronizing Code Libraries can be DANGEROUS!"), this);
    QFont bold = danger->font();
    bold.setBold(true);
    danger->setFont(bold);
    auto* explanation = wrappedLabel(
        QStringLiteral("Syncronization copys 'ALL' changes from one Code Library to another Code Library.  "
                       "All Items that you have Added, Modified, and DELETED, will be Added, Modified, "
                       "and DELETED in the other Code Library."),
        this);
    auto* question = wrappedLabel(QStringLiteral("Are you sure that you want to continue?"), this);

    chkShowWarning =
        new QCheckBox(QStringLiteral("&Don't show this Warning again!  I know what I'm doing!"), this);
    chkShowWarning->setObjectName(QStringLiteral("chkShowWarning"));
    cmdYes = new QPushButton(QStringLiteral("&Yes"), this);
    cmdYes->setObjectName(QStringLiteral("cmdYes"));
    cmdNo = new QPushButton(QStringLiteral("&No"), this);
    cmdNo->setObjectName(QStringLiteral("cmdNo"));
    cmdNo->setDefault(true);
    cmdHelp = new QPushButton(QStringLiteral("&Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    connect(chkShowWarning, &QCheckBox::clicked, this, &frmWarning::chkShowWarning_Click);
    connect(cmdYes, &QPushButton::clicked, this, &frmWarning::cmdYes_Click);
    connect(cmdNo, &QPushButton::clicked, this, &frmWarning::cmdNo_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmWarning::cmdHelp_Click);

    auto* texts = new QVBoxLayout;
    texts->addWidget(heading);
    texts->addWidget(danger);
    texts->addWidget(explanation);
    texts->addWidget(question);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdHelp);
    buttons->addStretch(1);
    buttons->addWidget(cmdYes);
    buttons->addWidget(cmdNo);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addWidget(chkShowWarning);
    layout->addLayout(buttons);
    resize(470, sizeHint().height());
}

void frmWarning::Form_Load() {
    m_answered = false;
    // The box says what its caption says: ticked, the warning is not shown again. Being shown, the
    // warning is on.
    chkShowWarning->setChecked(false);
    chkShowWarning_Click();
    store::PlayEventSound(store::sndSystemHand);
}

void frmWarning::chkShowWarning_Click() {
    store::SaveSetting(store::generalAppName(), kGeneral, kShowWarning,
                       chkShowWarning->isChecked() ? QStringLiteral("0") : QStringLiteral("1"));
}

void frmWarning::cmdYes_Click() {
    answer(6);
    accept();
}

void frmWarning::cmdNo_Click() {
    answer(7);
    reject();
}

void frmWarning::cmdHelp_Click() {
    if (m_main) m_main->ShowHelp(15);
}

void frmWarning::answer(int value) {
    m_answered = true;
    if (m_parentWindow) m_parentWindow->setWarningAnswer(value);
}

void frmWarning::done(int result) {
    // Closed by the window's close button or Esc: No.
    if (!m_answered) answer(7);
    QDialog::done(result);
}
