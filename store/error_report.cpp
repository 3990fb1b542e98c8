#include "store/error_report.h"

#include "platform/ui.h"
#include "store/startup.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QStringList>
#include <QUrl>

namespace store {

namespace {

const QString LF = QStringLiteral("\n");
const QString CRLF = QStringLiteral("\r\n");

void openWithDesktop(const QString& link) {
    QDesktopServices::openUrl(QUrl(link));
}

MailLinkOpener& mailLinkOpener() {
    static MailLinkOpener opener = openWithDesktop;
    return opener;
}

QString reportText(const QString& errorMessage, const QString& origin) {
    const QStringList lines = {
        QStringLiteral("Morvane Bug:"),
        QString(),
        QStringLiteral("The following Error occured while running the Morvane") + origin,
        QString(),
        QStringLiteral("************************ ERROR ***********************"),
        errorMessage,
        QStringLiteral("******************************************************"),
        QString(),
        QStringLiteral("Morvane Version: %1.%2.%3")
            .arg(MRV_VERSION_MAJOR)
            .arg(MRV_VERSION_MINOR)
            .arg(MRV_VERSION_PATCH),
        QString(),
        QStringLiteral("--(1)-- Please 'Describe the Events' that lead up to this error: -----"),
        QString(),
        QString(),
        QString(),
        QStringLiteral("--(2)-- Please Enter your 'Computer Information' below: -----"),
        QStringLiteral("Operating System/Version: "),
        QStringLiteral("Browser/Version: "),
        QStringLiteral("CPU: "),
        QStringLiteral("Memory: "),
        QString(),
        QString(),
        QStringLiteral("--(3)-- Please Enter your 'Contact Information' below: -----"),
        QStringLiteral("Name: "),
        QStringLiteral("EMail: "),
        QStringLiteral("Day Phone: "),
        QStringLiteral("Evening Phone: "),
    };
    return lines.join(LF) + LF + LF + LF + LF;
}

}  // namespace

MailLinkOpener setMailLinkOpener(MailLinkOpener opener) {
    MailLinkOpener previous = std::move(mailLinkOpener());
    mailLinkOpener() = opener ? std::move(opener) : MailLinkOpener(openWithDesktop);
    return previous;
}

void ReportError(const engine::Error& err, const QString& location, StatusTarget* document) {
    if (err.number() == 0) return;
    PlayEventSound(sndSystemAsterisk);
    const QString number = QString::number(err.number());

    QString origin = QStringLiteral(":");
    if (document) {
        document->setStatusBar(QStringLiteral("ERROR: ") + number + QStringLiteral(" - ") +
                               err.description());
        origin = QStringLiteral(" from the ") + document->InstanceName() + QStringLiteral(":");
    }

    QString errorMessage = QStringLiteral("Error #") + number + LF + LF + QStringLiteral("Description: ") +
                           LF + err.description();
    if (!location.isEmpty())
        errorMessage += LF + LF + QStringLiteral("Occured in Procedure: '") + location + QStringLiteral("'");
    const QString question = errorMessage + LF + LF + QStringLiteral("Would you like to send an EMail ") +
                             QStringLiteral("to Tech Support (") + QLatin1String(kSupportAddress) +
                             QStringLiteral(")") + QStringLiteral(" to report this error?");

    // Without a display there is no clipboard to put the report on: the error is told, nothing asked.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        ui::MsgBox(errorMessage, ui::vbOKOnly | ui::vbCritical | ui::vbMsgBoxSetForeground,
                   QStringLiteral("Morvane Error"));
        return;
    }
    const int answer =
        ui::MsgBox(question, ui::vbYesNo | ui::vbDefaultButton2 | ui::vbCritical | ui::vbMsgBoxSetForeground,
                   QStringLiteral("Morvane Error"));
    if (answer != ui::vbYes) return;

    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(reportText(errorMessage, origin));

    ui::MsgBox(QStringLiteral("The Error Message has been placed in the Windows Clipboard ") +
                   QStringLiteral("for you to 'paste' into the Bug Report EMail.") + CRLF + CRLF +
                   QStringLiteral("Also, please indicate the steps you took that lead up to this error; ") +
                   QStringLiteral("and other system and personal information."),
               ui::vbOKOnly | ui::vbInformation | ui::vbMsgBoxSetForeground, QStringLiteral("Bug Report"));

    mailLinkOpener()(QStringLiteral("mailto: ") + QLatin1String(kSupportAddress));
}

}  // namespace store
