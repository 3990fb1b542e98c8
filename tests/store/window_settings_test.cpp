// Window placement in twips and combo-box history lists.

#include "store/window_settings.h"

#include "platform/twips.h"
#include "store/settings.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

using namespace store;

namespace {

const QString kSuffix = "\\(Client)";
const QString kApp = instanceAppName(kSuffix);
const QString kSection = "Windows\\ProcEdit";

void put(const QString& key, const QString& value) {
    SaveSetting(kApp, kSection, key, value);
}
QString stored(const QString& key) {
    return GetSetting(kApp, kSection, key, "none");
}
QSize twipsSize(QWidget* w, double width, double height) {
    return QSize(platform::twipsToPixelsX(width, w), platform::twipsToPixelsY(height, w));
}

TEST(WindowPlacement, RestoreReadsTwipsWithDefaultsAndHonoursTheFlags) {
    QWidget form;
    for (const auto& [name, section] : {std::pair{"frmX", "Windows\\X"},
                                        {"frm", "Windows\\"},
                                        {"ab", "Windows\\"},
                                        {"frmProcEdit", "Windows\\ProcEdit"}}) {
        form.setObjectName(name);
        EXPECT_EQ(windowSection(&form), section) << name;
    }
    form.move(7, 9);
    EXPECT_EQ(platform::twipsToPixels(9600, 96), 640);  // 15 twips a pixel at 96 dpi
    EXPECT_EQ(platform::pixelsToTwips(10, 192), 75);
    WindowRestore(&form, kSuffix);
    EXPECT_EQ(form.pos(), QPoint(0, 0));
    EXPECT_EQ(form.size(), twipsSize(&form, 9600, 6810));

    put("Top", "1500");
    put("Left", "3000.5");
    put("Width", "4500");
    put("Height", "3000");
    WindowRestore(&form, kSuffix, false, true);  // the editor restores its size only
    EXPECT_EQ(form.pos(), QPoint(0, 0));
    EXPECT_EQ(form.size(), twipsSize(&form, 4500, 3000));
    const QPoint place(platform::twipsToPixelsX(3000.5, &form), platform::twipsToPixelsY(1500, &form));
    WindowRestore(&form, kSuffix, true, false);
    EXPECT_EQ(form.pos(), place);
    put("Left", "-9000000");  // on no screen: not taken
    WindowRestore(&form, kSuffix, true, false);
    EXPECT_EQ(form.pos(), place);
    // Saved on a larger screen, or read on one scaled up: made to fit the screen's available area.
    put("Width", "90000");
    put("Height", "90000");
    WindowRestore(&form, kSuffix);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(area.contains(QRect(form.pos(), form.size()))) << form.width() << "x" << form.height();
}

TEST(WindowPlacement, SaveWritesStateAndOnlyANormalWindowsPlace) {
    QWidget form;
    form.setObjectName("frmProcEdit");
    form.setGeometry(40, 20, 300, 200);
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
    DeleteSetting(kApp, kSection);
    form.setWindowState(Qt::WindowMinimized);
    WindowSave(&form, kSuffix);
    EXPECT_TRUE(GetSettingKeys(kApp, kSection).isEmpty());
}

class ComboListTest : public ::testing::Test {
protected:
    static QStringList entries(const QComboBox& combo) {
        QStringList list;
        for (int i = 0; i < combo.count(); ++i) list << combo.itemText(i);
        return list;
    }
    void item(int n, const QString& value) {
        SaveSetting(generalAppName(), m_section, "Item " + QString::number(n), value);
    }
    const QString m_section = "General Properties\\'Copy To' Settings\\Target Recent List";
};

TEST_F(ComboListTest, LoadSkipsEmptyPlacesAndSelectsOnlyIntoAnEmptyText) {
    item(0, "/media/usb");
    item(1, "");
    item(2, "/backup");
    item(11, "/beyond the last place");
    QComboBox combo, typed, none;
    combo.setEditable(true);
    typed.setEditable(true);
    typed.setEditText("/typed");
    LoadComboList(&combo, 10, generalAppName(), m_section);
    LoadComboList(&typed, 10, generalAppName(), m_section);
    LoadComboList(&none, 10, generalAppName(), "Nothing here");
    EXPECT_EQ(entries(combo), (QStringList{"/media/usb", "/backup"}));
    EXPECT_EQ(combo.currentText(), "/media/usb");
    EXPECT_EQ(typed.currentText(), "/typed");
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

    item(6, "old");
    SaveComboList(&combo, 6, generalAppName(), m_section);
    const QStringList expected{"/new", "/b", "/a", "/B", "/c", "", ""};
    for (int i = 0; i <= 6; ++i)
        EXPECT_EQ(GetSetting(generalAppName(), m_section, "Item " + QString::number(i), "END"), expected[i])
            << i;
}

}  // namespace
