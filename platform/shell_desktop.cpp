#include "platform/shell_desktop.h"

#include "platform/shell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPointer>
#include <QUrl>
#include <QVBoxLayout>

namespace shell {

namespace {

QString& busAddress() {
    static QString address;
    return address;
}

QDBusConnection propertiesBus() {
    const QString address = busAddress();
    if (address.isEmpty()) return QDBusConnection::sessionBus();
    return QDBusConnection::connectToBus(address, QStringLiteral("morvane-properties-") + address);
}

QString permissionsText(QFileDevice::Permissions p) {
    const auto bit = [p](QFileDevice::Permission flag, char c) {
        return p.testFlag(flag) ? QChar(c) : QChar('-');
    };
    return QString() + bit(QFileDevice::ReadOwner, 'r') + bit(QFileDevice::WriteOwner, 'w') +
           bit(QFileDevice::ExeOwner, 'x') + bit(QFileDevice::ReadGroup, 'r') +
           bit(QFileDevice::WriteGroup, 'w') + bit(QFileDevice::ExeGroup, 'x') +
           bit(QFileDevice::ReadOther, 'r') + bit(QFileDevice::WriteOther, 'w') +
           bit(QFileDevice::ExeOther, 'x');
}

void showOwnProperties(const QString& path, QWidget* owner) {
    const QFileInfo info(path);
    if (!info.exists()) return;  // a properties request shows no error dialogs
    const QLocale locale;
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(info);
    const QDateTime born = info.birthTime();

    auto* dialog = new QDialog(owner);
    dialog->setObjectName(QStringLiteral("frmFileProperties"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(info.fileName() + QStringLiteral(" Properties"));
    auto* form = new QFormLayout;
    const auto row = [&](const char* objectName, const QString& caption, const QString& text) {
        auto* label = new QLabel(text);
        label->setObjectName(QLatin1String(objectName));
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(caption, label);
    };
    row("lblName", QStringLiteral("Name:"), info.fileName());
    row("lblFolder", QStringLiteral("Folder:"), QDir::toNativeSeparators(info.absolutePath()));
    row("lblType", QStringLiteral("Type:"), mime.comment() + QStringLiteral(" (") + mime.name() + ')');
    row("lblSize", QStringLiteral("Size:"),
        info.isDir() ? QString()
                     : locale.formattedDataSize(info.size()) + QStringLiteral(" (") +
                           locale.toString(info.size()) + QStringLiteral(" bytes)"));
    row("lblCreated", QStringLiteral("Created:"),
        born.isValid() ? locale.toString(born, QLocale::LongFormat)
                       : QStringLiteral("Not recorded by this file system"));
    row("lblModified", QStringLiteral("Modified:"),
        locale.toString(info.lastModified(), QLocale::LongFormat));
    row("lblPermissions", QStringLiteral("Permissions:"),
        permissionsText(info.permissions()) + QStringLiteral("  (") + info.owner() + ':' + info.group() +
            ')');

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace

void showDesktopProperties(const QString& path, QWidget* owner) {
    QDBusConnection bus = propertiesBus();
    if (!bus.isConnected()) {
        showOwnProperties(path, owner);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItemProperties"));
    call << QStringList{QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString()} << QString();
    // A file manager that must first be started may take a few seconds; ours shows when none answers.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 10000));
    QPointer<QWidget> guardedOwner(owner);
    const bool hadOwner = owner != nullptr;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, path, guardedOwner, hadOwner] {
                         if (watcher->isError() && (!hadOwner || guardedOwner))
                             showOwnProperties(path, guardedOwner.data());
                         watcher->deleteLater();
                     });
}

namespace testing {

void setPropertiesBusAddress(const QString& address) {
    busAddress() = address;
}

}  // namespace testing

}  // namespace shell
