// The preferences dialog driven through its handlers, with a stand-in document that counts redraws.

#include "platform/controls.h"
#include "platform/ui.h"
#include "prefs/frmProperties.h"
#include "store/settings.h"
#include "tests/seam_fixture.h"
#include "tests/store/fake_main_window.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

const QString kGeneral = QStringLiteral("General Properties");

class PropertiesTest : public seamtest::SeamTest {
protected:
    std::unique_ptr<frmProperties> load(int type, const QString& name) {
        m_main.type = type;
        m_main.name = name;
        auto form = std::make_unique<frmProperties>();
        form->setMainWindow(&m_main);
        form->Form_Load();
        return form;
    }
    static QString instance(const QString& name, const QString& section, const QString& key) {
        return store::GetSetting(store::instanceAppName(name), section, key, QStringLiteral("<none>"));
    }
    static QString general(const QString& key) {
        return store::GetSetting(store::generalAppName(), kGeneral, key, QStringLiteral("<none>"));
    }

    storetest::FakeMainWindow m_main;
};

TEST_F(PropertiesTest, ApplyRedrawsOnceForWhatChanged) {
    // custom icons changed, folders changed, SystemInit calls, ProcRefresh calls
    const std::tuple<bool, bool, int, int> cases[] = {
        {false, false, 0, 0}, {false, true, 0, 1}, {true, false, 1, 0}, {true, true, 1, 0}};
    for (const auto& [icons, folders, inits, refreshes] : cases) {
        SCOPED_TRACE(testing::Message() << icons << folders);
        m_main = storetest::FakeMainWindow();
        auto form = load(3, QStringLiteral("\\(Browser)"));
        EXPECT_FALSE(form->cmdApply->isEnabled());
        if (icons) form->chkUseCustomIcons->toggle();
        if (folders) form->chkDisplayFoldersInListView->toggle();
        form->chkTips->toggle();
        EXPECT_TRUE(form->cmdApply->isEnabled());
        form->cmdApply_Click();
        EXPECT_FALSE(form->cmdApply->isEnabled());
        EXPECT_EQ(m_main.systemInits, inits);
        EXPECT_EQ(int(m_main.refreshes.size()), refreshes);
        // The library is never closed and reopened for a redraw.
        EXPECT_EQ(m_main.docInitializes, 0);
        // Applying again changes nothing more.
        form->cmdApply_Click();
        EXPECT_EQ(m_main.systemInits, inits);
        EXPECT_EQ(int(m_main.refreshes.size()), refreshes);
    }
    EXPECT_EQ(instance(QStringLiteral("\\(Browser)"), QStringLiteral("Properties"),
                       QStringLiteral("Display using Custom Icons")),
              QStringLiteral("0"));  // toggled twice over the four cases
    EXPECT_EQ(general(QStringLiteral("Show Tips at Startup")), QStringLiteral("1"));
}

TEST_F(PropertiesTest, OnlyTheClientOffersAndKeepsTheStartupPlace) {
    const QString client = QStringLiteral("\\(Client)");
    store::SaveSetting(store::instanceAppName(client), QStringLiteral("Windows\\Main"),
                       QStringLiteral("Save Window Position"), QStringLiteral("True"));
    store::SaveSetting(store::instanceAppName(client), QStringLiteral("Windows\\Properties"),
                       QStringLiteral("Current Tab"), QStringLiteral("3"));
    {
        auto form = load(2, client);
        EXPECT_EQ(form->TabStrip1->count(), 3);
        EXPECT_EQ(form->TabStrip1->selectedIndex(), 3);
        EXPECT_TRUE(form->optStartupWindowPosition[0]->isChecked());
        EXPECT_EQ(form->imgApp->toolTip(), QStringLiteral(" Running from: (Client) "));
        form->optStartupWindowPosition[1]->setChecked(true);
        form->TabStrip1->setSelectedIndex(2);
        form->cmdOk_Click();
    }
    EXPECT_EQ(instance(client, QStringLiteral("Windows\\Main"), QStringLiteral("Save Window Position")),
              QStringLiteral("False"));
    EXPECT_EQ(instance(client, QStringLiteral("Windows\\Properties"), QStringLiteral("Current Tab")),
              QStringLiteral("2"));

    for (const auto& [type, name] : {std::pair{1, "\\(VB Add-In)"}, std::pair{3, "\\(Browser)"}}) {
        auto form = load(type, QString::fromLatin1(name));
        EXPECT_EQ(form->TabStrip1->indexOf(QStringLiteral("Window")), 0);
        EXPECT_TRUE(form->fraMainWindowStartup->isHidden());
        form->optStartupWindowPosition[0]->setChecked(true);
        form->cmdOk_Click();
        EXPECT_TRUE(store::GetSettingKeys(store::instanceAppName(QString::fromLatin1(name)),
                                          QStringLiteral("Windows\\Main"))
                        .isEmpty());
        EXPECT_TRUE(store::GetSettingKeys(store::instanceAppName(QString::fromLatin1(name)),
                                          QStringLiteral("Windows\\Properties"))
                        .isEmpty());
    }
}

TEST_F(PropertiesTest, SharedFolderIsWrittenOnlyWhenItExists) {
    const QString missing = path("missing");
    // text typed, setting afterwards, box text afterwards, message shown
    const std::tuple<QString, QString, QString, bool> cases[] = {
        {frmProperties::sharedFolderPlaceholder(), QStringLiteral("<none>"),
         frmProperties::sharedFolderPlaceholder(), false},
        {missing, QStringLiteral("<none>"), missing, true},
        {folder() + '/', folder(), folder() + '/', false},
    };
    for (const auto& [typed, stored, shown, message] : cases) {
        SCOPED_TRACE(typed.toStdString());
        ui::testing::clear();
        auto form = load(2, QStringLiteral("\\(Client)"));
        form->txtSharedFolder->setText(typed);
        form->cmdApply_Click();
        EXPECT_EQ(general(QStringLiteral("Shared Module Folder")), stored);
        EXPECT_EQ(form->txtSharedFolder->text(), shown);
        EXPECT_EQ(boxTitles(), message ? QStringList{"Folder does not exist"} : QStringList());
    }
    // The chooser replaces the text; Cancel writes nothing.
    ui::testing::queueFolder(QDir::homePath());
    auto form = load(2, QStringLiteral("\\(Client)"));
    form->cmdSelectSharedFolder_Click();
    EXPECT_EQ(form->txtSharedFolder->text(), QDir::homePath());
    form->chkPlayEventSounds->toggle();
    form->cmdCancel_Click();
    EXPECT_EQ(general(QStringLiteral("Shared Module Folder")), folder());
    EXPECT_EQ(general(QStringLiteral("Play Event Sounds")), QStringLiteral("1"));
}

}  // namespace
