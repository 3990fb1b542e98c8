#include "client_fixture.h"

#include "platform/twips.h"

#include <QScreen>

using clienttest::ClientTest;

namespace {

class PlacementTest : public ClientTest {
protected:
    static void set(const QString& key, const QString& value) {
        store::SaveSetting(frmMain::settingsApp(), frmMain::placementSection(), key, value);
    }
    static QStringList savedKeys() {
        return store::GetSettingKeys(frmMain::settingsApp(), frmMain::placementSection());
    }
    static QSize sizeInPixels(int width, int height, const QWidget* w) {
        return QSize(platform::twipsToPixelsX(width, w), platform::twipsToPixelsY(height, w));
    }
    static QPoint pointInPixels(int left, int top, const QWidget* w) {
        return QPoint(platform::twipsToPixelsX(left, w), platform::twipsToPixelsY(top, w));
    }
    static void expectCentred(const QWidget* w) {
        const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
        EXPECT_LE(std::abs(w->x() + w->width() / 2 - centre.x()), 1);
        EXPECT_LE(std::abs(w->y() + w->height() / 2 - centre.y()), 1);
    }
};

TEST_F(PlacementTest, WithoutTheSettingTheDefaultWindowIsCentredAndNothingSaved) {
    auto main = load(QString(), m_clock);
    EXPECT_EQ(main->size(), sizeInPixels(9000, 7000, main.get()));
    expectCentred(main.get());
    main->close();
    EXPECT_TRUE(main->isUnloaded());
    EXPECT_TRUE(savedKeys().isEmpty());

    set("Save Window Position", "False");
    main = load(QString(), m_clock);
    EXPECT_EQ(main->size(), sizeInPixels(9000, 7000, main.get()));
    main->close();
    EXPECT_EQ(savedKeys(), QStringList{"Save Window Position"});

    // Damaged measures take their defaults, centred, and say nothing.
    set("Save Window Position", "True");
    set("Width", "wide");
    main = load(QString(), m_clock);
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(main->size(), sizeInPixels(7000, 4500, main.get()));
    expectCentred(main.get());
    main->close();
}

TEST_F(PlacementTest, ASavedPlacementIsRestoredAndSavedAgainOnlyWhenNormal) {
    set("Save Window Position", "True");
    for (const auto& [key, value] :
         {std::pair{"Left", "1500"}, {"Top", "750"}, {"Width", "6000"}, {"Height", "4500"}})
        set(key, value);
    auto main = load(QString(), m_clock);
    EXPECT_EQ(main->pos(), pointInPixels(1500, 750, main.get()));
    EXPECT_EQ(main->size(), sizeInPixels(6000, 4500, main.get()));
    main->move(pointInPixels(3000, 1500, main.get()));
    main->resize(sizeInPixels(7500, 5250, main.get()));
    main->ExitClient();
    EXPECT_TRUE(main->isUnloaded());
    EXPECT_DOUBLE_EQ(store::toSingle(clientSetting("Left")), 3000);
    EXPECT_DOUBLE_EQ(store::toSingle(clientSetting("Top")), 1500);
    EXPECT_DOUBLE_EQ(store::toSingle(clientSetting("Width")), 7500);
    EXPECT_DOUBLE_EQ(store::toSingle(clientSetting("Height")), 5250);
    EXPECT_EQ(clientSetting("State"), "<none>");

    // Saved on a larger screen (or read on one scaled up): the window fits the screen's available area.
    set("Width", "60000");
    set("Height", "45000");
    main = load(QString(), m_clock);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(area.contains(main->frameGeometry()));
    EXPECT_GT(main->width(), area.width() * 9 / 10);
    main->close();
    set("Width", "7500");
    set("Height", "5250");

    // Values a save would overwrite, set after the window read its placement.
    for (const Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowMinimized}) {
        main = load(QString(), m_clock);
        set("Left", "15");
        set("Width", "15");
        main->setWindowState(state);
        ASSERT_EQ(main->windowState(), state);
        main->close();
        EXPECT_EQ(clientSetting("Left"), "15") << state;
        EXPECT_EQ(clientSetting("Width"), "15") << state;
    }
}

}  // namespace
