// Event sounds through the sound theme, and the registry view that answers the program's keys.

#include "platform/registry.h"
#include "platform/sound.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// A data folder of our own and no system ones, so that only the test's themes exist.
class ThemeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dataDirs = qgetenv("XDG_DATA_DIRS");
        m_path = qgetenv("PATH");
        m_data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_data + "/none"));
        sound::setThemeName(QString());
    }
    void TearDown() override {
        qputenv("XDG_DATA_DIRS", m_dataDirs);
        qputenv("PATH", m_path);
        sound::setThemeName(QString());
    }
    QString file(const QString& relative, const QByteArray& content = "RIFF") {
        const QString path = m_data + "/sounds/" + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
    QString m_data;
    QByteArray m_dataDirs, m_path;
};

TEST(EventSounds, TheSchemeEventsMapToSoundNamingIds) {
    const QStringList names = sound::eventNames();
    ASSERT_EQ(names.size(), 22);
    EXPECT_EQ(names[4], "File's Done");
    EXPECT_EQ(names[13], "RestoreUp");
    for (const QString& name : names)
        EXPECT_FALSE(sound::soundIdForEvent(name).isEmpty()) << name.toStdString();

    EXPECT_EQ(sound::soundIdForEvent("SystemExclamation"), "dialog-warning");
    EXPECT_EQ(sound::soundIdForEvent("MenuPopup"), "menu-popup");
    EXPECT_EQ(sound::soundIdForEvent("menupopup"), QString());
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
    EXPECT_EQ(sound::findThemeSound("dialog-warning"), warning);
    EXPECT_EQ(sound::findThemeSound("dialog-warning-auth"), warning);
    EXPECT_EQ(sound::findThemeSound("message-new-email"), message);  // through "freedesktop", less specific
    EXPECT_EQ(sound::findThemeSound("window-close"), QString());     // switched off in the theme
    EXPECT_EQ(sound::findThemeSound("bell"), QString());
    EXPECT_EQ(sound::findThemeSound(""), QString());
}

TEST_F(ThemeTest, RegistryAnswersTheSoundsTheArchiverAndTheHostVersionOnly) {
    const QString exclamation = file("freedesktop/stereo/dialog-warning.oga");
    const QString scheme = "AppEvents\\Schemes\\Apps\\.Default\\%1\\.Current";

    auto value = registry::queryValue(registry::HKEY_CURRENT_USER, scheme.arg("SystemExclamation"), "");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, registry::Value::String);
    EXPECT_EQ(value->text, exclamation);
    EXPECT_EQ(registry::queryValue(registry::HKEY_CURRENT_USER, scheme.toUpper().arg("systemexclamation"), "")
                  ->text,
              exclamation);
    // A known event without a sound in the theme: the key is there, its value empty.
    value = registry::queryValue(registry::HKEY_CURRENT_USER, scheme.arg("MenuPopup"), "");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->text, QString());
    EXPECT_FALSE(registry::queryValue(registry::HKEY_CURRENT_USER, scheme.arg("Nonsense"), ""));
    EXPECT_FALSE(registry::queryValue(registry::HKEY_CURRENT_USER, scheme.arg("SystemExclamation"), "Other"));
    EXPECT_FALSE(registry::queryValue(registry::HKEY_LOCAL_MACHINE, scheme.arg("SystemExclamation"), ""));

    // The archiver is whatever "zip" PATH finds.
    const QString bin = m_data + "/bin";
    QDir().mkpath(bin);
    qputenv("PATH", QFile::encodeName(bin));
    EXPECT_FALSE(registry::queryValue(registry::HKEY_CLASSES_ROOT, "WinZip\\shell\\open\\command", ""));
    QFile zip(bin + "/zip");
    ASSERT_TRUE(zip.open(QIODevice::WriteOnly));
    zip.setPermissions(zip.permissions() | QFileDevice::ExeOwner);
    zip.close();
    value = registry::queryValue(registry::HKEY_CLASSES_ROOT, "WinZip\\shell\\open\\command", "");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->text, bin + "/zip");

    value = registry::queryValue(registry::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer",
                                 "Version");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->text, registry::documentHostVersion());
    EXPECT_FALSE(registry::queryValue(registry::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer",
                                      "Build"));
    EXPECT_FALSE(registry::queryValue(registry::HKEY_USERS, "", ""));

    EXPECT_EQ(registry::rootFromText("-2147483648"), registry::HKEY_CLASSES_ROOT);
    EXPECT_EQ(registry::rootFromText(" 2147483649 "), registry::HKEY_CURRENT_USER);
    EXPECT_EQ(registry::rootFromText("HKEY_CLASSES_ROOT"), 0u);
}

TEST(SoundPlaying, RecordedNotPlayedInTests) {
    sound::testing::enableRecording();
    sound::testing::clear();
    sound::playFile("/no/such/file.oga");
    sound::playFile(QString());
    EXPECT_EQ(sound::testing::playedFiles(), (QStringList{"/no/such/file.oga", QString()}));
    sound::testing::clear();
    EXPECT_TRUE(sound::testing::playedFiles().isEmpty());
}

}  // namespace
