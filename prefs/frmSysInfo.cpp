#include "prefs/frmSysInfo.h"

#include "store/paths.h"
#include "store/settings.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include <sqlite3.h>

#include <algorithm>
#include <utility>

frmSysInfo::frmSysInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSysInfo"));
    setWindowTitle(tr("System Information"));

    txtSysInfo = new QPlainTextEdit(SystemInformation(), this);
    txtSysInfo->setObjectName(QStringLiteral("txtSysInfo"));
    txtSysInfo->setReadOnly(true);
    txtSysInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtSysInfo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    cmdCopy = new QPushButton(tr("&Copy"), this);
    cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
    cmdClose = new QPushButton(tr("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCopy);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtSysInfo, 1);
    layout->addLayout(buttons);
    resize(560, 270);

    connect(cmdCopy, &QPushButton::clicked, this, &frmSysInfo::cmdCopy_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmSysInfo::cmdClose_Click);
}

QString frmSysInfo::SystemInformation() {
    const QList<std::pair<QString, QString>> facts = {
        {tr("Morvane"), QStringLiteral(MRV_VERSION)},
        {tr("Operating system"), QSysInfo::prettyProductName()},
        {tr("Kernel"), QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion()},
        {tr("CPU architecture"), QSysInfo::currentCpuArchitecture()},
        {tr("Qt"),
         QString::fromLatin1(qVersion()) + tr(" (built with %1)").arg(QStringLiteral(QT_VERSION_STR))},
        {tr("SQLite"), QString::fromLatin1(sqlite3_libversion())},
        {tr("Display"), QGuiApplication::platformName()},
        {tr("Program folder"), store::programFolder()},
        {tr("Settings file"), store::settingsFilePath()},
    };
    int width = 0;
    for (const auto& fact : facts) width = std::max(width, int(fact.first.size()));
    QString text;
    for (const auto& fact : facts)
        text += (fact.first + QLatin1Char(':')).leftJustified(width + 2) + fact.second + QLatin1Char('\n');
    return text;
}

void frmSysInfo::cmdCopy_Click() {
    QGuiApplication::clipboard()->setText(txtSysInfo->toPlainText());
}

void frmSysInfo::cmdClose_Click() {
    accept();
}
