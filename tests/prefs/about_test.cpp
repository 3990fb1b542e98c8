#include "prefs/frmAbout.h"
#include "tests/seam_fixture.h"

#include "platform/shell.h"
#include "platform/ui.h"
#include "prefs/frmSysInfo.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QSysInfo>

#include <gtest/gtest.h>

#include <sqlite3.h>

namespace {

using AboutTest = seamtest::SeamTest;

TEST_F(AboutTest, ShowsTheVersionTheSystemAndTheMakersSite) {
    frmAbout form;
    EXPECT_EQ(form.lblVersion->text(), "Version " + QStringLiteral(MRV_VERSION));
    EXPECT_FALSE(frmAbout::programPicture(64).isNull());

    const QString text = frmSysInfo::SystemInformation();
    for (const QString& fact : {QString::fromLatin1(qVersion()), QString::fromLatin1(sqlite3_libversion()),
                                QStringLiteral(MRV_VERSION), QSysInfo::currentCpuArchitecture(),
                                QSysInfo::kernelVersion(), QSysInfo::prettyProductName()})
        EXPECT_TRUE(text.contains(fact)) << fact.toStdString() << " missing from\n" << text.toStdString();
    QString shown;
    ui::testing::setFormHandler("frmSysInfo", [&](QWidget* window) {
        shown = window->findChild<QPlainTextEdit*>("txtSysInfo")->toPlainText();
        return 0;
    });
    form.cmdSysInfo_Click();
    ASSERT_EQ(ui::testing::shownDialogs().size(), 1);
    EXPECT_EQ(ui::testing::shownDialogs()[0].kind, ui::testing::DialogKind::Form);  // modal
    EXPECT_EQ(shown, text);

    EXPECT_TRUE(form.lblWebSite->text().contains("https://www.morvane.org/"));
    emit form.lblWebSite->linkActivated("https://www.morvane.org/");
    EXPECT_EQ(shell::testing::openedUrls(), QList<QUrl>{QUrl("https://www.morvane.org/")});
    ui::testing::clear();
    shell::testing::clearOpenedUrls();
}

}  // namespace
