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

const QString kGeneral = "General Properties";

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
        return store::GetSetting(store::instanceAppName(name), section, key, "<none>");
    }
    static QString general(const QString& key) {
        return store::GetSetting(store::generalAppName(), kGeneral, key, "<none>");
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
        auto form = load(3, "\\(Browser)");
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
    EXPECT_EQ(instance("\\(Browser)", "Properties", "Display using Custom Icons"),
              "0");  // toggled twice over the four cases
    EXPECT_EQ(general("Show Tips at Startup"), "1");
}

TEST_F(PropertiesTest, OnlyTheClientOffersAndKeepsTheStartupPlace) {
    const QString client = "\\(Client)";
    store::SaveSetting(store::instanceAppName(client), "Windows\\Main", "Save Window Position", "True");
    store::SaveSetting(store::instanceAppName(client), "Windows\\Properties", "Current Tab", "3");
    {
        auto form = load(2, client);
        EXPECT_EQ(form->TabStrip1->count(), 3);
        EXPECT_EQ(form->TabStrip1->selectedIndex(), 3);
        EXPECT_TRUE(form->optStartupWindowPosition[0]->isChecked());
        EXPECT_EQ(form->imgApp->toolTip(), " Running from: (Client) ");
        form->optStartupWindowPosition[1]->setChecked(true);
        form->TabStrip1->setSelectedIndex(2);
        form->cmdOk_Click();
    }
    EXPECT_EQ(instance(client, "Windows\\Main", "Save Window Position"), "False");
    EXPECT_EQ(instance(client, "Windows\\Properties", "Current Tab"), "2");

    for (const auto& [type, name] : {std::pair{1, "\\(VB Add-In)"}, std::pair{3, "\\(Browser)"}}) {
        auto form = load(type, QString::fromLatin1(name));
        EXPECT_EQ(form->TabStrip1->indexOf("Window"), 0);
        EXPECT_TRUE(form->fraMainWindowStartup->isHidden());
        form->optStartupWindowPosition[0]->setChecked(true);
        form->cmdOk_Click();
        EXPECT_TRUE(store::GetSettingKeys(store::instanceAppName(QString::fromLatin1(name)), "Windows\\Main")
                        .isEmpty());
        EXPECT_TRUE(
            store::GetSettingKeys(store::instanceAppName(QString::fromLatin1(name)), "Windows\\Properties")
                .isEmpty());
    }
}

TEST_F(PropertiesTest, SharedFolderIsWrittenOnlyWhenItExists) {
    const QString missing = path("missing");
    // text typed, setting afterwards, box text afterwards, message shown
    const std::tuple<QString, QString, QString, bool> cases[] = {
        {frmProperties::sharedFolderPlaceholder(), "<none>", frmProperties::sharedFolderPlaceholder(), false},
        {missing, "<none>", missing, true},
        {folder() + '/', folder(), folder() + '/', false},
    };
    for (const auto& [typed, stored, shown, message] : cases) {
        SCOPED_TRACE(typed.toStdString());
        ui::testing::clear();
        auto form = load(2, "\\(Client)");
        form->txtSharedFolder->setText(typed);
        form->cmdApply_Click();
        EXPECT_EQ(general("Shared Module Folder"), stored);
        EXPECT_EQ(form->txtSharedFolder->text(), shown);
        EXPECT_EQ(boxTitles(), message ? QStringList{"Folder does not exist"} : QStringList());
    }
    // The chooser replaces the text; Cancel writes nothing.
    ui::testing::queueFolder(QDir::homePath());
    auto form = load(2, "\\(Client)");
    form->cmdSelectSharedFolder_Click();
    EXPECT_EQ(form->txtSharedFolder->text(), QDir::homePath());
    form->chkPlayEventSounds->toggle();
    form->cmdCancel_Click();
    EXPECT_EQ(general("Shared Module Folder"), folder());
    EXPECT_EQ(general("Play Event Sounds"), "1");
}

}  // namespace
