#include "client_fixture.h"

#include "client/application.h"

using clienttest::ClientTest;
using storetest::writeBytes;

namespace {

TEST_F(ClientTest, ComponentsTooOldShowTheMessageAndRemoveTheLauncher) {
    const QString launcher = client::desktopShortcutPath();
    writeBytes(launcher, "[Desktop Entry]\n");
    QStringList asked;
    auto main = client::Main("", m_clock, [&](const QString& name) {
        asked << name;
        return name == "Build" ? "1158.22" : QString();
    });

    EXPECT_EQ(main, nullptr);
    EXPECT_EQ(asked, QStringList({"Version", "Build"}));
    // The message names the version found.
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].title, "Morvane - Client");
    EXPECT_EQ(boxes()[0].text, client::tooOldMessage("3.0 (OSR2)"));
    EXPECT_TRUE(boxes()[0].text.contains("Internet Explorer version 3.0 (OSR2) (or not at all)."));
    EXPECT_FALSE(QFile::exists(launcher));
    EXPECT_EQ(loadingInstance(), "<none>") << "no document is loaded";

    // Without a launcher the same path raises nothing.
    ui::testing::clear();
    EXPECT_EQ(client::Main("", m_clock, [](const QString&) { return QString(); }), nullptr);
    EXPECT_EQ(boxes().size(), 1);
}

// The platform adds an application's display name to every window title; none is set, so titles
// stay exactly as the forms set them.
TEST(ClientStart, TheApplicationSetsNoDisplayNameForTheWindowTitles) {
    const QString name = QCoreApplication::applicationName();
    client::setUpApplication(*qApp, "morvane");
    EXPECT_EQ(QCoreApplication::applicationName(), "Morvane");  // the title of a box given none
    QCoreApplication::setApplicationName("another name");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "another name");
    QCoreApplication::setApplicationName(name);
}

TEST_F(ClientTest, PresentComponentsOpenTheMainWindow) {
    // What a machine says today: the hosting components are there, so the client starts.
    EXPECT_FALSE(client::registryHostValue("Version").isEmpty());
    auto main = client::Main(
        "", m_clock, [](const QString& name) { return name == "Version" ? "4.71.1712.6" : QString(); });
    ASSERT_NE(main, nullptr);
    settle();
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(main->windowTitle(), "Morvane (Client)");
    ASSERT_NE(fake::MRVDocument::last, nullptr);
    EXPECT_EQ(fake::MRVDocument::last->Client(), main.get());
    main->close();
}

}  // namespace
