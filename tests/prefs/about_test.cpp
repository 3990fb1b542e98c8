#include "prefs/frmAbout.h"

#include "platform/shell.h"
#include "platform/ui.h"
#include "prefs/frmSysInfo.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QSysInfo>

#include <gtest/gtest.h>

#include <sqlite3.h>

namespace {

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::testing::enableRecording();
        ui::testing::clear();
        shell::testing::clearOpenedUrls();
    }
    void TearDown() override {
        ui::testing::clear();
        shell::testing::clearOpenedUrls();
    }
};

TEST_F(AboutTest, ShowsTheProgramsVersion) {
    frmAbout form;
    EXPECT_EQ(form.objectName(), QStringLiteral("frmAbout"));
    EXPECT_EQ(frmAbout::versionText(), QStringLiteral("Version ") + QStringLiteral(MRV_VERSION));
    EXPECT_EQ(form.lblVersion->text(), frmAbout::versionText());
    EXPECT_FALSE(frmAbout::programPicture(64).isNull());
}

TEST_F(AboutTest, SystemInformationNamesWhatTheProgramRunsOn) {
    const QString text = frmSysInfo::SystemInformation();
    for (const QString& fact : {QString::fromLatin1(qVersion()), QString::fromLatin1(sqlite3_libversion()),
                                QStringLiteral(MRV_VERSION), QSysInfo::currentCpuArchitecture(),
                                QSysInfo::kernelVersion(), QSysInfo::prettyProductName()})
        EXPECT_TRUE(text.contains(fact)) << fact.toStdString() << " missing from\n" << text.toStdString();
}

TEST_F(AboutTest, SystemInfoButtonShowsTheInformationModally) {
    frmAbout form;
    QString shown;
    ui::testing::setFormHandler(QStringLiteral("frmSysInfo"), [&](QWidget* window) {
        shown = window->findChild<QPlainTextEdit*>(QStringLiteral("txtSysInfo"))->toPlainText();
        return 0;
    });
    form.cmdSysInfo_Click();
    ASSERT_EQ(ui::testing::shownDialogs().size(), 1);
    EXPECT_EQ(ui::testing::shownDialogs()[0].kind, ui::testing::DialogKind::Form);
    EXPECT_EQ(shown, frmSysInfo::SystemInformation());
}

TEST_F(AboutTest, WebSiteLinkOpensTheMakersSite) {
    frmAbout form;
    EXPECT_TRUE(form.lblWebSite->text().contains(QStringLiteral("https://www.morvane.org/")));
    emit form.lblWebSite->linkActivated(QStringLiteral("https://www.morvane.org/"));
    ASSERT_EQ(shell::testing::openedUrls().size(), 1);
    EXPECT_EQ(shell::testing::openedUrls()[0], QUrl(QStringLiteral("https://www.morvane.org/")));
}

}  // namespace
