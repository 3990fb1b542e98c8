// The settings tree and the routines over it: recent lists, fields, numbers, the drag-and-drop
// prompt and registry values.

#include "store/settings.h"

#include "platform/registry.h"
#include "platform/ui.h"
#include "store/engine/error.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace store;

namespace {

const QString kGeneral = QStringLiteral("General Properties");

TEST(SettingsTree, AppNamesAndBackslashedSectionsFormLevels) {
    EXPECT_EQ(generalAppName(), "Varnholt Software\\Morvane");
    EXPECT_EQ(instanceAppName("\\(VB Add-In)"), "Varnholt Software\\Morvane\\(VB Add-In)");
    const QString client = instanceAppName("\\(Client)");
    EXPECT_EQ(GetSetting(client, "Windows\\Main", "Top", "0"), "0");
    SaveSetting(client, "Windows\\Main", "Top", "1500");
    SaveSetting(generalAppName(), kGeneral, "Use WinZip", "1");
    SaveSetting(generalAppName(), "General Properties\\'Copy To' Settings", "Use WinZip", "0");

    EXPECT_EQ(GetSettingKeys(generalAppName(), kGeneral), QStringList{"Use WinZip"});
    QSettings file(settingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(file.value("Varnholt Software/Morvane/(Client)/Windows/Main/Top").toString(), "1500");
    EXPECT_EQ(
        file.value("Varnholt Software/Morvane/General Properties/'Copy To' Settings/Use WinZip").toString(),
        "0");
}

TEST(GetToken, FieldsOfADelimitedText) {
    EXPECT_EQ(GetToken(1, "C:/lib/a.mdb;Group", ";"), "C:/lib/a.mdb");
    EXPECT_EQ(GetToken(2, "C:/lib/a.mdb;Group", ";"), "Group");
    EXPECT_EQ(GetToken(3, "C:/lib/a.mdb;Group", ";"), "");
    EXPECT_EQ(GetToken(1, "no delimiter", ";"), "no delimiter");
    EXPECT_EQ(GetToken(2, "no delimiter", ";"), "");
    EXPECT_EQ(GetToken(2, "a;;c", ";"), "");
    EXPECT_EQ(GetToken(3, "a;;c", ";"), "c");
    EXPECT_EQ(GetToken(2, "a;", ";"), "");
    EXPECT_EQ(GetToken(0, "a;b", ";"), "a");
    EXPECT_EQ(GetToken(1, "", ";"), "");
}

TEST(Val, NumbersAsTheOldReaderSawThem) {
    EXPECT_EQ(Val("1"), 1);
    EXPECT_EQ(Val(" 1 2 "), 12);
    EXPECT_EQ(Val("-3.5e2x"), -350);
    EXPECT_EQ(Val("&H1F"), 31);
    EXPECT_EQ(Val("&o17"), 15);
    EXPECT_EQ(Val("True"), 0);
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(singleText(9600), "9600");
    EXPECT_EQ(singleText(1234.5), "1234.5");
    EXPECT_EQ(toSingle(" 6810 "), 6810);
    try {
        toSingle("wide");
        ADD_FAILURE() << "no conversion error";
    } catch (const engine::Error& e) {
        EXPECT_EQ(e.number(), 13);
    }
}

class RecentListTest : public ::testing::Test {
protected:
    QString existing(const QString& name) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }
    QString key(int k) const { return GetSetting(m_app, "Libraries", QString::number(k), "END"); }
    QStringList keys(int from, int to) const {
        QStringList values;
        for (int k = from; k <= to; ++k) values << key(k);
        return values;
    }
    QTemporaryDir m_dir;
    const QString m_app = generalAppName();
};

TEST_F(RecentListTest, AFullListKeepsKeyTwoEmptyAndGrowsToLimitPlusOne) {
    QStringList entries;
    for (int i = 1; i <= 4; ++i) {
        entries << existing(QString("lib%1.mdb").arg(i)) + ";Group " + QString::number(i);
        SaveSetting(m_app, "Libraries", QString::number(i), entries.last());
    }
    AddToRecentList(existing("new.mdb"), "New Group", m_app, "Libraries", 4);
    EXPECT_EQ(keys(1, 6), (QStringList{m_dir.filePath("new.mdb") + ";New Group", "", entries[0], entries[1],
                                       entries[2], "END"}));

    // The next addition reads keys 1 to limit: the entry on key limit + 1 drops off.
    AddToRecentList(existing("newer.mdb"), "G", m_app, "Libraries", 4);
    EXPECT_EQ(keys(1, 5), (QStringList{m_dir.filePath("newer.mdb") + ";G", "",
                                       m_dir.filePath("new.mdb") + ";New Group", entries[0], entries[1]}));
}

TEST_F(RecentListTest, ACopyMovesToTheTopIgnoringCaseAndVanishedFilesAreDropped) {
    const QString a = existing("A.mdb"), b = existing("B.mdb"), gone = existing("gone.mdb");
    AddToRecentList(a, "Alpha", m_app, "Libraries", 20);
    AddToRecentList(gone, "Gone", m_app, "Libraries", 20);
    AddToRecentList(b, "Beta", m_app, "Libraries", 20);
    EXPECT_EQ(keys(1, 5), (QStringList{b + ";Beta", "", gone + ";Gone", a + ";Alpha", ""}));

    QFile::remove(gone);
    // The same library under another spelling of its group: the older copy goes.
    AddToRecentList(a, "ALPHA", m_app, "Libraries", 20);
    EXPECT_EQ(keys(1, 4), (QStringList{a + ";ALPHA", "", b + ";Beta", ""}));
    for (int k = 5; k <= 21; ++k) EXPECT_EQ(key(k), "") << k;  // cleared, not left over
    EXPECT_EQ(key(22), "END");
}

TEST_F(RecentListTest, AStaleEntryPastTheLimitDoesNotSurvive) {
    const QString a = existing("a.mdb"), b = existing("b.mdb"), c = existing("c.mdb");
    AddToRecentList(a, "1", m_app, "Libraries", 3);
    AddToRecentList(b, "2", m_app, "Libraries", 3);
    AddToRecentList(c, "3", m_app, "Libraries", 3);  // 1 = c, 3 = b, 4 = a
    ASSERT_EQ(keys(1, 4), (QStringList{c + ";3", "", b + ";2", a + ";1"}));
    QFile::remove(b);
    AddToRecentList(a, "1", m_app, "Libraries", 3);
    EXPECT_EQ(keys(1, 4), (QStringList{a + ";1", "", c + ";3", ""}));
}

TEST(DragDropPrompt, AsksOnlyWhileThePromptSettingIsOne) {
    ui::testing::enableRecording();
    ui::testing::clear();
    ui::testing::queueAnswer(ui::vbNo);
    EXPECT_EQ(DragDropPrompt("Move Category?", ui::vbYesNo | ui::vbQuestion, "Move Category?"), ui::vbNo);
    ASSERT_EQ(ui::testing::shownBoxes().size(), 1);
    EXPECT_EQ(ui::testing::shownBoxes()[0].icon, ui::vbQuestion);

    for (const char* value : {"0", "-1", "yes"}) {
        SaveSetting(generalAppName(), kGeneral, "Use Drag & Drop Prompts", value);
        EXPECT_EQ(DragDropPrompt("?", ui::vbYesNo, "t"), ui::vbYes) << value;
    }
    SaveSetting(generalAppName(), kGeneral, "Use Drag & Drop Prompts", "1");
    EXPECT_EQ(DragDropPrompt("?", ui::vbYesNo | ui::vbDefaultButton2, "t"), ui::vbNo);
    EXPECT_EQ(ui::testing::shownBoxes().size(), 2);
    ui::testing::clear();
}

TEST(RegGetValue, RootAsDecimalTextAndMissingValuesEmpty) {
    const QString key = "Software\\Microsoft\\Internet Explorer";
    EXPECT_EQ(RegGetValue("-2147483646", key, "Version"), registry::documentHostVersion());
    EXPECT_EQ(RegGetValue("2147483650", key, "Version"), registry::documentHostVersion());
    EXPECT_EQ(RegGetValue("2147483650", key, "Build"), "");
    EXPECT_EQ(RegGetValue("2147483649", key, "Version"), "");
    EXPECT_EQ(RegGetValue("HKLM", key, "Version"), "");
}

}  // namespace
