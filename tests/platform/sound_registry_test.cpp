// Event sounds through the sound theme, and the registry view that answers the program's keys.

#include "platform/registry.h"
#include "platform/sound.h"
#include "platform_fixture.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// A data folder of our own and no system ones, so that only the test's themes exist.
class ThemeTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_data + "/none"));
        sound::setThemeName(QString());
    }
    void TearDown() override {
        qputenv("XDG_DATA_DIRS", m_dataDirs);
        qputenv("PATH", m_path);
        sound::setThemeName(QString());
    }
    QString file(const QString& relative, const QByteArray& content = "RIFF") {
        platformtest::writeFile(m_data + "/sounds/" + relative, content);
        return m_data + "/sounds/" + relative;
    }
    const QString m_data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QByteArray m_dataDirs = qgetenv("XDG_DATA_DIRS"), m_path = qgetenv("PATH");
};

TEST(EventSounds, TheSchemeEventsMapToSoundNamingIdsAndAreRecordedNotPlayedInTests) {
    const QStringList names = sound::eventNames();
    ASSERT_EQ(names.size(), 22);
    EXPECT_EQ(names[4], "File's Done");
    EXPECT_EQ(names[13], "RestoreUp");
    for (const QString& name : names)
        EXPECT_FALSE(sound::soundIdForEvent(name).isEmpty()) << name.toStdString();
    EXPECT_EQ(sound::soundIdForEvent("SystemExclamation"), "dialog-warning");
    EXPECT_EQ(sound::soundIdForEvent("MenuPopup"), "menu-popup");
    EXPECT_EQ(sound::soundIdForEvent("menupopup"), QString());

    sound::testing::enableRecording();
    sound::testing::clear();
    sound::playFile("/no/such/file.oga");
    sound::playFile(QString());
    EXPECT_EQ(sound::testing::playedFiles(), (QStringList{"/no/such/file.oga", QString()}));
    sound::testing::clear();
    EXPECT_TRUE(sound::testing::playedFiles().isEmpty());
}

TEST_F(ThemeTest, LookupFollowsTheThemeItsParentsAndLessSpecificNames) {
    file("mine/index.theme", "[Sound Theme]\nName=Mine\nInherits=parent\nDirectories=stereo\n");
    const QString popup = file("mine/stereo/menu-popup.wav");
    file("mine/stereo/window-close.disabled", "");
    const QString warning = file("parent/stereo/dialog-warning.ogg");
    file("parent/stereo/window-close.oga");
    const QString message = file("freedesktop/stereo/message.oga");
    const QString info = file("freedesktop/stereo/dialog-information.oga");

    EXPECT_EQ(sound::themeName(), "freedesktop");
    EXPECT_EQ(sound::findThemeSound("dialog-information"), info);
    EXPECT_EQ(sound::findThemeSound("menu-popup"), QString());
    sound::setThemeName("mine");
    EXPECT_EQ(sound::findThemeSound("menu-popup"), popup);
    EXPECT_EQ(sound::findThemeSound("dialog-warning-auth"), warning);
    EXPECT_EQ(sound::findThemeSound("message-new-email"), message);  // through "freedesktop", less specific
    EXPECT_EQ(sound::findThemeSound("window-close"), QString());     // switched off in the theme
    EXPECT_EQ(sound::findThemeSound(""), QString());
}

TEST_F(ThemeTest, RegistryAnswersTheSoundsTheArchiverAndTheHostVersionOnly) {
    using namespace registry;
    const QString exclamation = file("freedesktop/stereo/dialog-warning.oga");
    const QString scheme = "AppEvents\\Schemes\\Apps\\.Default\\%1\\.Current";
    const auto text = [](std::uint32_t root, const QString& key, const QString& name) {
        const auto value = queryValue(root, key, name);
        return value ? value->text : QStringLiteral("<no key>");
    };
    EXPECT_EQ(queryValue(HKEY_CURRENT_USER, scheme.arg("SystemExclamation"), "")
                  .value_or(Value{Value::DWord, QString(), 0})
                  .type,
              Value::String);
    EXPECT_EQ(text(HKEY_CURRENT_USER, scheme.toUpper().arg("systemexclamation"), ""), exclamation);
    // A known event without a sound in the theme: the key is there, its value empty.
    EXPECT_EQ(text(HKEY_CURRENT_USER, scheme.arg("MenuPopup"), ""), "");
    EXPECT_EQ(text(HKEY_CURRENT_USER, scheme.arg("Nonsense"), ""), "<no key>");
    EXPECT_EQ(text(HKEY_CURRENT_USER, scheme.arg("SystemExclamation"), "Other"), "<no key>");
    EXPECT_EQ(text(HKEY_LOCAL_MACHINE, scheme.arg("SystemExclamation"), ""), "<no key>");

    // The archiver is whatever "zip" PATH finds.
    const QString zip = m_data + "/bin/zip";
    qputenv("PATH", QFile::encodeName(m_data + "/bin"));
    EXPECT_EQ(text(HKEY_CLASSES_ROOT, "WinZip\\shell\\open\\command", ""), "<no key>");
    platformtest::writeFile(zip, "");
    QFile::setPermissions(zip, QFile::permissions(zip) | QFileDevice::ExeOwner);
    EXPECT_EQ(text(HKEY_CLASSES_ROOT, "WinZip\\shell\\open\\command", ""), zip);

    const QString host = "Software\\Microsoft\\Internet Explorer";
    EXPECT_EQ(text(HKEY_LOCAL_MACHINE, host, "Version"), documentHostVersion());
    EXPECT_EQ(text(HKEY_LOCAL_MACHINE, host, "Build"), "<no key>");
    EXPECT_EQ(text(HKEY_USERS, "", ""), "<no key>");
    EXPECT_EQ(rootFromText("-2147483648"), HKEY_CLASSES_ROOT);
    EXPECT_EQ(rootFromText(" 2147483649 "), HKEY_CURRENT_USER);
    EXPECT_EQ(rootFromText("HKEY_CLASSES_ROOT"), 0u);
}

}  // namespace
