#include "client_fixture.h"

using clienttest::ClientTest;

namespace {

TEST(ClientStart, VersionTextTable) {
    struct Row {
        const char *version, *build, *text;
    };
    const Row rows[] = {
        {"4.71.1712.6", "", "4.0"},
        {"4.72.3110.0", "1300", "4.01"},  // a version present wins over the build
        {"5.00.0518.10", "", "5.0 Beta 1"},
        {"4.7", "", "4.7"},
        {"5.00", "", "5.0 Beta 1"},
        {"6.4.2", "", "6.4.2"},
        {"", "308", "1.0"},
        {"", "520.11", "1.0 or 2.0"},
        {"", "1155", "3.0"},
        {"", "1158.1", "3.0 (OSR2)"},
        {"", "1215", "3.01"},
        {"", "1300.0.0", "3.02"},
        {"", "4711.2", "4711.2"},
        {"", "13000", "13000"},
        {"", "", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(client::VersionText(row.version, row.build), QString(row.text))
            << row.version << " / " << row.build;
}

TEST_F(ClientTest, ComponentsTooOldShowTheMessageAndRemoveTheLauncher) {
    const QString launcher = client::desktopShortcutPath();
    QDir().mkpath(QFileInfo(launcher).absolutePath());
    writeFile(launcher, "[Desktop Entry]\n");
    QStringList asked;
    auto main = client::Main("", m_clock, [&](const QString& name) {
        asked << name;
        return name == "Build" ? QStringLiteral("1158.22") : QString();
    });

    EXPECT_EQ(main, nullptr);
    EXPECT_EQ(asked, QStringList({"Version", "Build"}));
    expectOneBox(
        "Morvane - Client",
        "The Morvane is designed as a Client app, and an ActiveX Server Document. \n\n"
        "The Morvane 'Client' Requires Internet Explorer 4.0 or greater Components to function properly.  "
        "You are currently using Internet Explorer version 3.0 (OSR2) (or not at all).\n\n"
        "You can still run the Morvane inside Visual Basic as an Add-In!  You may also be able to run the "
        "Morvane in your Internet Explorer (or Netscape with the ActiveX Add-In) Web Browser by opening the "
        "ActiveX 'MRVDocument.vbd' document from the '\\Program Files\\Varnholt Software\\Morvane' folder."
        "\n\nIn addition; if you have the Microsoft Office Binder installed, you may also be able to open "
        "the ActiveX 'MRVDocument.vbd' document using that program.",
        ui::vbOKOnly | ui::vbExclamation);
    EXPECT_FALSE(QFile::exists(launcher));
    EXPECT_EQ(loadingInstance(), "<none>") << "no document is loaded";

    // Without a launcher the same path raises nothing.
    ui::testing::clear();
    EXPECT_EQ(client::Main("", m_clock, [](const QString&) { return QString(); }), nullptr);
    EXPECT_EQ(boxes().size(), 1);
}

TEST_F(ClientTest, PresentComponentsOpenTheMainWindow) {
    // What a machine says today: the hosting components are there, so the client starts.
    EXPECT_FALSE(client::registryHostValue("Version").isEmpty());
    auto main = client::Main("", m_clock, [](const QString& name) {
        return name == "Version" ? QStringLiteral("4.71.1712.6") : QString();
    });
    ASSERT_NE(main, nullptr);
    settle();
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(main->windowTitle(), "Morvane (Client)");
    ASSERT_NE(fake::MRVDocument::last, nullptr);
    EXPECT_EQ(fake::MRVDocument::last->Client(), main.get());
    main->close();
}

}  // namespace
