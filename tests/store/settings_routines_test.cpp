// The settings tree and the routines over it: recent lists, fields, numbers, the drag-and-drop
// prompt and registry values.

#include "store/settings.h"

#include "platform/ui.h"
#include "store/engine/error.h"
#include "tests/store/store_fixture.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

using namespace store;

namespace {

const QString kGeneral = "General Properties";

TEST(SettingsTree, BackslashedSectionsFormLevels) {
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
    const std::tuple<int, const char*, const char*> cases[] = {{1, "C:/lib/a.mdb;Group", "C:/lib/a.mdb"},
                                                               {2, "C:/lib/a.mdb;Group", "Group"},
                                                               {3, "a;b", ""},
                                                               {1, "no delimiter", "no delimiter"},
                                                               {2, "a;;c", ""},
                                                               {3, "a;;c", "c"},
                                                               {2, "a;", ""},
                                                               {0, "a;b", "a"},
                                                               {1, "", ""}};
    for (const auto& [n, text, token] : cases) EXPECT_EQ(GetToken(n, text, ";"), token) << n << " " << text;
}

TEST(Val, NumbersAsTheOldReaderSawThem) {
    const std::pair<const char*, double> cases[] = {{" 1 2 ", 12}, {"-3.5e2x", -350}, {"&H1F", 31},
                                                    {"&o17", 15},  {"True", 0},       {"", 0}};
    for (const auto& [text, value] : cases) EXPECT_EQ(Val(text), value) << text;
    EXPECT_EQ(singleText(1234.5), "1234.5");
    EXPECT_EQ(toSingle(" 6810 "), 6810);
    EXPECT_EQ(seamtest::raised([] { toSingle("wide"); }).number, 13);
}

class RecentListTest : public seamtest::SeamTest {
protected:
    QString existing(const QString& name) {
        storetest::writeBytes(path(name), {});
        return path(name);
    }
    QStringList keys(int from, int to) const {
        QStringList values;
        for (int k = from; k <= to; ++k) values << GetSetting(m_app, "Libraries", QString::number(k), "END");
        return values;
    }
    void add(const QString& file, const QString& group, int limit) {
        AddToRecentList(file, group, m_app, "Libraries", limit);
    }
    const QString m_app = generalAppName();
};

TEST_F(RecentListTest, AFullListKeepsKeyTwoEmptyAndGrowsToLimitPlusOne) {
    QStringList entries;
    for (int i = 1; i <= 4; ++i) {
        entries << existing(QString("lib%1.mdb").arg(i)) + ";Group " + QString::number(i);
        SaveSetting(m_app, "Libraries", QString::number(i), entries.last());
    }
    const QString newer = existing("new.mdb") + ";New Group";
    add(existing("new.mdb"), "New Group", 4);
    EXPECT_EQ(keys(1, 6), (QStringList{newer, "", entries[0], entries[1], entries[2], "END"}));
    // The next addition reads keys 1 to limit: the entry on key limit + 1 drops off.
    add(existing("newer.mdb"), "G", 4);
    EXPECT_EQ(keys(1, 5), (QStringList{path("newer.mdb") + ";G", "", newer, entries[0], entries[1]}));
}

TEST_F(RecentListTest, ACopyMovesToTheTopIgnoringCaseAndVanishedFilesAreDropped) {
    const QString a = existing("A.mdb"), b = existing("B.mdb"), gone = existing("gone.mdb");
    add(a, "Alpha", 20);
    add(gone, "Gone", 20);
    add(b, "Beta", 20);
    EXPECT_EQ(keys(1, 5), (QStringList{b + ";Beta", "", gone + ";Gone", a + ";Alpha", ""}));

    QFile::remove(gone);
    // The same library under another spelling of its group: the older copy goes.
    add(a, "ALPHA", 20);
    EXPECT_EQ(keys(1, 22),
              QStringList({a + ";ALPHA", "", b + ";Beta"}) + QStringList(18, "") + QStringList{"END"});

    // A stale entry just past the limit does not survive either.
    const QString c = existing("c.mdb");
    add(c, "3", 3);  // 1 = c, 3 = a, 4 = b
    QFile::remove(a);
    add(b, "2", 3);
    EXPECT_EQ(keys(1, 4), (QStringList{b + ";2", "", c + ";3", ""}));
}

using DragDropPromptTest = seamtest::SeamTest;

TEST_F(DragDropPromptTest, AsksOnlyWhileThePromptSettingIsOne) {
    ui::testing::queueAnswer(ui::vbNo);
    EXPECT_EQ(DragDropPrompt("Move Category?", ui::vbYesNo | ui::vbQuestion, "Move Category?"), ui::vbNo);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].icon, ui::vbQuestion);
    for (const char* value : {"0", "-1", "yes"}) {
        SaveSetting(generalAppName(), kGeneral, "Use Drag & Drop Prompts", value);
        EXPECT_EQ(DragDropPrompt("?", ui::vbYesNo, "t"), ui::vbYes) << value;
    }
    SaveSetting(generalAppName(), kGeneral, "Use Drag & Drop Prompts", "1");
    EXPECT_EQ(DragDropPrompt("?", ui::vbYesNo | ui::vbDefaultButton2, "t"), ui::vbNo);
    EXPECT_EQ(boxes().size(), 2);
}

}  // namespace
