#include "client_fixture.h"

#include "platform/twips.h"

#include <QScreen>

using clienttest::ClientTest;

namespace {

class PlacementTest : public ClientTest {
protected:
    std::unique_ptr<frmMain> open() {
        auto main = std::make_unique<frmMain>(m_clock, m_clock.milliseconds());
        EXPECT_TRUE(main->Form_Load(QString()));
        settle();
        return main;
    }
    static void set(const QString& key, const QString& value) {
        store::SaveSetting(frmMain::settingsApp(), frmMain::placementSection(), key, value);
    }
    static QStringList savedKeys() {
        return store::GetSettingKeys(frmMain::settingsApp(), frmMain::placementSection());
    }
    static QRect screen() { return QGuiApplication::primaryScreen()->geometry(); }
    static int px(double twips, const QWidget* w) { return platform::twipsToPixelsX(twips, w); }
    static int py(double twips, const QWidget* w) { return platform::twipsToPixelsY(twips, w); }

    fake::TickClock m_clock{0, 5000};
};

TEST_F(PlacementTest, WithoutTheSettingTheWindowIsCentredAndNothingIsSaved) {
    auto main = open();
    EXPECT_EQ(main->size(), QSize(px(9000, main.get()), py(7000, main.get())));
    EXPECT_LE(std::abs(main->x() + main->width() / 2 - screen().center().x()), 1);
    EXPECT_LE(std::abs(main->y() + main->height() / 2 - screen().center().y()), 1);
    main->close();
    EXPECT_TRUE(main->isUnloaded());
    EXPECT_TRUE(savedKeys().isEmpty());

    set("Save Window Position", "False");
    auto second = open();
    EXPECT_EQ(second->size(), QSize(px(9000, second.get()), py(7000, second.get())));
    second->close();
    EXPECT_EQ(savedKeys(), QStringList{"Save Window Position"});
}

TEST_F(PlacementTest, ASavedPlacementIsRestoredAndSavedAgainWhenNormal) {
    set("Save Window Position", "True");
    set("Left", "1500");
    set("Top", "750");
    set("Width", "6000");
    set("Height", "4500");
    auto main = open();
    EXPECT_EQ(main->pos(), QPoint(px(1500, main.get()), py(750, main.get())));
    EXPECT_EQ(main->size(), QSize(px(6000, main.get()), py(4500, main.get())));

    main->move(px(3000, main.get()), py(1500, main.get()));
    main->resize(px(7500, main.get()), py(5250, main.get()));
    main->ExitClient();
    EXPECT_TRUE(main->isUnloaded());
    EXPECT_DOUBLE_EQ(store::toSingle(clientSetting("Left")), 3000);
    EXPECT_DOUBLE_EQ(store::toSingle(clientSetting("Top")), 1500);
    EXPECT_DOUBLE_EQ(store::toSingle(clientSetting("Width")), 7500);
    EXPECT_DOUBLE_EQ(store::toSingle(clientSetting("Height")), 5250);
    EXPECT_EQ(clientSetting("State"), "<none>");
}

TEST_F(PlacementTest, MissingOrDamagedMeasuresTakeTheirDefaults) {
    set("Save Window Position", "True");
    set("Width", "wide");
    auto main = open();
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(main->size(), QSize(px(7000, main.get()), py(4500, main.get())));
    EXPECT_LE(std::abs(main->x() + main->width() / 2 - screen().center().x()), 1);
    EXPECT_LE(std::abs(main->y() + main->height() / 2 - screen().center().y()), 1);
    main->close();
}

TEST_F(PlacementTest, AMaximisedOrMinimisedWindowSavesNothing) {
    for (const Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowMinimized}) {
        set("Save Window Position", "True");
        set("Left", "15");
        set("Top", "15");
        auto main = open();
        main->setWindowState(state);
        ASSERT_EQ(main->windowState(), state);
        main->close();
        EXPECT_EQ(clientSetting("Left"), "15") << state;
        EXPECT_EQ(clientSetting("Top"), "15") << state;
        EXPECT_EQ(clientSetting("Width"), "<none>") << state;
    }
}

TEST_F(PlacementTest, TheBrowserControlFillsTheWindow) {
    auto main = open();
    EXPECT_EQ(main->WebBrowser1->objectName(), "WebBrowser1");
    EXPECT_EQ(main->WebBrowser1->geometry(), main->rect());
    main->resize(333, 222);
    QApplication::processEvents();
    EXPECT_EQ(main->WebBrowser1->geometry(), main->rect());
    auto* document = qobject_cast<QWidget*>(main->WebBrowser1->Document());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->geometry(), main->WebBrowser1->rect());
    main->close();
}

}  // namespace
