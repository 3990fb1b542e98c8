// Window placement in twips and combo-box history lists.

#include "store/window_settings.h"

#include "platform/twips.h"
#include "store/engine/error.h"
#include "store/settings.h"

#include <QComboBox>
#include <QWidget>

#include <gtest/gtest.h>

using namespace store;

namespace {

const QString kSuffix = QStringLiteral("\\(Client)");
const QString kApp = instanceAppName(kSuffix);

QString stored(const QString& key) {
    return GetSetting(kApp, "Windows\\ProcEdit", key, "none");
}

TEST(WindowPlacement, SectionsDropTheFirstThreeCharacters) {
    QWidget form;
    for (const auto& [name, section] : {std::pair{"frmProcEdit", "Windows\\ProcEdit"},
                                        {"frmX", "Windows\\X"},
                                        {"frm", "Windows\\"},
                                        {"ab", "Windows\\"}}) {
        form.setObjectName(name);
        EXPECT_EQ(windowSection(&form), section) << name;
    }
}

TEST(WindowPlacement, RestoreReadsTwipsWithDefaultsAndHonoursTheFlags) {
    QWidget form;
    form.setObjectName("frmProcEdit");
    form.move(7, 9);
    EXPECT_EQ(platform::twipsToPixels(9600, 96), 640);  // 15 twips a pixel at 96 dpi
    EXPECT_EQ(platform::pixelsToTwips(10, 192), 75);
    WindowRestore(&form, kSuffix);
    EXPECT_EQ(form.pos(), QPoint(0, 0));
    EXPECT_EQ(form.size(),
              QSize(platform::twipsToPixelsX(9600, &form), platform::twipsToPixelsY(6810, &form)));

    SaveSetting(kApp, "Windows\\ProcEdit", "Top", "1500");
    SaveSetting(kApp, "Windows\\ProcEdit", "Left", "3000.5");
    SaveSetting(kApp, "Windows\\ProcEdit", "Width", "4500");
    SaveSetting(kApp, "Windows\\ProcEdit", "Height", "3000");
    WindowRestore(&form, kSuffix, false, true);  // the editor restores its size only
    EXPECT_EQ(form.pos(), QPoint(0, 0));
    EXPECT_EQ(form.size(),
              QSize(platform::twipsToPixelsX(4500, &form), platform::twipsToPixelsY(3000, &form)));
    WindowRestore(&form, kSuffix, true, false);
    EXPECT_EQ(form.pos(),
              QPoint(platform::twipsToPixelsX(3000.5, &form), platform::twipsToPixelsY(1500, &form)));

    // A place on no screen is not taken.
    SaveSetting(kApp, "Windows\\ProcEdit", "Left", "-9000000");
    WindowRestore(&form, kSuffix, true, false);
    EXPECT_EQ(form.pos(),
              QPoint(platform::twipsToPixelsX(3000.5, &form), platform::twipsToPixelsY(1500, &form)));

    SaveSetting(kApp, "Windows\\ProcEdit", "Height", "tall");
    try {
        WindowRestore(&form, kSuffix);
        ADD_FAILURE() << "no conversion error";
    } catch (const engine::Error& e) {
        EXPECT_EQ(e.number(), 13);
    }
}

TEST(WindowPlacement, SaveWritesStateAndOnlyANormalWindowsPlace) {
    QWidget form;
    form.setObjectName("frmProcEdit");
    form.move(40, 20);
    form.resize(300, 200);
    WindowSave(&form, kSuffix, false, true);
    EXPECT_EQ(stored("State"), "0");
    EXPECT_EQ(stored("Top"), "none");
    EXPECT_EQ(stored("Width"), singleText(platform::pixelsToTwipsX(300, &form)));
    EXPECT_EQ(stored("Height"), singleText(platform::pixelsToTwipsY(200, &form)));
    WindowSave(&form, kSuffix);
    EXPECT_EQ(stored("Top"), singleText(platform::pixelsToTwipsY(20, &form)));
    EXPECT_EQ(stored("Left"), singleText(platform::pixelsToTwipsX(40, &form)));

    // Maximised: the state only; the last normal place stays.
    const QString width = stored("Width");
    form.setWindowState(Qt::WindowMaximized);
    WindowSave(&form, kSuffix);
    EXPECT_EQ(stored("State"), "2");
    EXPECT_EQ(stored("Width"), width);

    // Minimised: nothing at all.
    DeleteSetting(kApp, "Windows\\ProcEdit");
    form.setWindowState(Qt::WindowMinimized);
    WindowSave(&form, kSuffix);
    EXPECT_TRUE(GetSettingKeys(kApp, "Windows\\ProcEdit").isEmpty());
}

class ComboListTest : public ::testing::Test {
protected:
    static QStringList entries(const QComboBox& combo) {
        QStringList list;
        for (int i = 0; i < combo.count(); ++i) list << combo.itemText(i);
        return list;
    }
    const QString m_section = QStringLiteral("General Properties\\'Copy To' Settings\\Target Recent List");
};

TEST_F(ComboListTest, LoadSkipsEmptyPlacesAndSelectsOnlyIntoAnEmptyText) {
    SaveSetting(generalAppName(), m_section, "Item 0", "/media/usb");
    SaveSetting(generalAppName(), m_section, "Item 1", "");
    SaveSetting(generalAppName(), m_section, "Item 2", "/backup");
    SaveSetting(generalAppName(), m_section, "Item 11", "/beyond the last place");

    QComboBox combo;
    combo.setEditable(true);
    LoadComboList(&combo, 10, generalAppName(), m_section);
    EXPECT_EQ(entries(combo), (QStringList{"/media/usb", "/backup"}));
    EXPECT_EQ(combo.currentText(), "/media/usb");

    QComboBox typed;
    typed.setEditable(true);
    typed.setEditText("/typed");
    LoadComboList(&typed, 10, generalAppName(), m_section);
    EXPECT_EQ(typed.currentText(), "/typed");

    QComboBox none;
    LoadComboList(&none, 10, generalAppName(), "Nothing here");
    EXPECT_EQ(none.count(), 0);
}

TEST_F(ComboListTest, AddComboTopMovesEveryCopyAndSaveFillsTheRestWithEmpty) {
    QComboBox combo;
    combo.setEditable(true);
    combo.addItems({"/a", "/b", "/b", "/B", "/c", "/b"});
    AddComboTop(&combo, "/b");
    EXPECT_EQ(entries(combo), (QStringList{"/b", "/a", "/B", "/c"}));
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.currentText(), "/b");
    AddComboTop(&combo, "/new");
    EXPECT_EQ(entries(combo).first(), "/new");

    SaveSetting(generalAppName(), m_section, "Item 6", "old");
    SaveComboList(&combo, 6, generalAppName(), m_section);
    const QStringList expected{"/new", "/b", "/a", "/B", "/c", "", ""};
    for (int i = 0; i <= 6; ++i)
        EXPECT_EQ(GetSetting(generalAppName(), m_section, "Item " + QString::number(i), "END"), expected[i])
            << i;
}

}  // namespace
