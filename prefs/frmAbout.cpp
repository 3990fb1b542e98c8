#include "prefs/frmAbout.h"

#include "platform/ui.h"
#include "prefs/frmSysInfo.h"
#include "resources/resources.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/startup.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About Morvane"));
    setWindowIcon(QIcon(programPicture(32)));

    imgApp = new QLabel(this);
    imgApp->setObjectName(QStringLiteral("imgApp"));
    imgApp->setPixmap(programPicture(64));
    imgApp->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblTitle = new QLabel(QStringLiteral("Morvane"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    lblTitle->setFont(titleFont);

    lblVersion = new QLabel(versionText(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);

    lblDescription = new QLabel(
        tr("A code library for programmers: keep code snippets and notes, web shortcuts and whole files "
           "in a tree of categories, find them again in a moment, drag them into your work, and keep "
           "copies of a library in step on several computers."),
        this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);

    auto* maker = new QLabel(tr("Varnholt Software"), this);
    const QString address = QString::fromLatin1(store::kWebSiteAddress);
    lblWebSite = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(address.toHtmlEscaped()), this);
    lblWebSite->setObjectName(QStringLiteral("lblWebSite"));
    lblWebSite->setTextFormat(Qt::RichText);
    lblWebSite->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lblWebSite->setToolTip(tr("Visit the maker's web site"));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(tr("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(lblDescription);
    text->addSpacing(8);
    text->addWidget(maker);
    text->addWidget(lblWebSite);
    text->addStretch(1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(imgApp, 0, Qt::AlignTop);
    layout->addLayout(text, 1);
    layout->addLayout(buttons);
    resize(520, 230);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(lblWebSite, &QLabel::linkActivated, this, &frmAbout::lblWebSite_Click);
}

QString frmAbout::versionText() {
    return tr("Version %1.%2.%3").arg(MRV_VERSION_MAJOR).arg(MRV_VERSION_MINOR).arg(MRV_VERSION_PATCH);
}

QPixmap frmAbout::programPicture(int size) {
    return programIcon().pixmap(QSize(size, size));
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::cmdSysInfo_Click() {
    frmSysInfo info(this);
    store::PlayEventSound(store::sndRestoreUp);
    ui::ShowFormModal(&info, this);
    store::PlayEventSound(store::sndRestoreDown);
}

void frmAbout::lblWebSite_Click() {
    store::ShellOpen(QString::fromLatin1(store::kWebSiteAddress));
}
