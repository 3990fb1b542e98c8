// Our private-profile routines: the section semantics the add-in list relies on.

#include "platform/private_profile.h"

#include "platform_fixture.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;
using platformtest::readFile;
using platformtest::writeFile;

namespace {

class PrivateProfileTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    const QString m_file = m_dir.filePath(QStringLiteral("sub/vbaddin.ini"));
    const QByteArray m_sample =
        "; the IDE's list\r\n[Other]\r\nAdd=9\r\n\r\n[Add-Ins32]\r\nFirst.Connect=1\r\n"
        "  Middle.Connect = 0  \r\nLast.Connect=\"quoted\"\r\n\r\n[Tail]\r\nx=y\r\n";
};

TEST_F(PrivateProfileTest, ReadsIgnoringCaseAndCutsToTheBuffer) {
    EXPECT_EQ(GetPrivateProfileString("Add-Ins32", "First.Connect", "none", 100, m_file), "none");  // no file
    writeFile(m_file, m_sample);
    EXPECT_EQ(GetPrivateProfileString("add-ins32", "MIDDLE.connect", "", 100, m_file), "0");
    EXPECT_EQ(GetPrivateProfileString("Add-Ins32", "Last.Connect", "", 100, m_file), "quoted");
    EXPECT_EQ(GetPrivateProfileString("Add-Ins32", "Last.Connect", "", 4, m_file), "quo");
    EXPECT_EQ(GetPrivateProfileString("Add-Ins32", "Add", "dflt", 100, m_file), "dflt");  // another section's
    EXPECT_EQ(GetPrivateProfileString("Missing", "x", "dflt", 2, m_file), "d");
}

// Lines we do not change keep their bytes: line ends, blanks, quotes and bytes that are no UTF-8.
TEST_F(PrivateProfileTest, WritesInPlaceAppendsAndRemovesKeepingTheRestByteForByte) {
    const QByteArray foreign = "Caf\xe9.Connect=1\r\n";  // Latin-1, as an older tool wrote it
    writeFile(m_file, QByteArray(m_sample).insert(m_sample.indexOf("First"), foreign));
    ASSERT_TRUE(WritePrivateProfileString("ADD-INS32", "middle.connect", "1", m_file));
    ASSERT_TRUE(WritePrivateProfileString("Add-Ins32", "New.Connect", "0", m_file));
    ASSERT_TRUE(WritePrivateProfileString("Fresh", "k", "v", m_file));
    EXPECT_EQ(readFile(m_file),
              "; the IDE's list\r\n[Other]\r\nAdd=9\r\n\r\n[Add-Ins32]\r\n" + foreign +
                  "First.Connect=1\r\nMiddle.Connect=1\r\nLast.Connect=\"quoted\"\r\nNew.Connect=0\r\n\r\n"
                  "[Tail]\r\nx=y\r\n\r\n[Fresh]\r\nk=v\r\n");

    ASSERT_TRUE(WritePrivateProfileString("Add-Ins32", "First.Connect", QString(), m_file));
    ASSERT_TRUE(WritePrivateProfileString("Tail", QString(), QString(), m_file));
    ASSERT_TRUE(WritePrivateProfileString("Nowhere", "k", QString(), m_file));  // nothing to remove
    EXPECT_EQ(readFile(m_file), "; the IDE's list\r\n[Other]\r\nAdd=9\r\n\r\n[Add-Ins32]\r\n" + foreign +
                                    "Middle.Connect=1\r\nLast.Connect=\"quoted\"\r\nNew.Connect=0\r\n\r\n"
                                    "[Fresh]\r\nk=v\r\n");

    // A new file, its folder included.
    QDir(m_dir.filePath("sub")).removeRecursively();
    ASSERT_TRUE(WritePrivateProfileString("Add-Ins32", "Morvane.Connect", "0", m_file));
    EXPECT_EQ(readFile(m_file), "[Add-Ins32]\nMorvane.Connect=0\n");

    // A list kept elsewhere behind a link (a dotfiles folder) stays there, with its mode; the link stays.
    const QString kept = m_dir.filePath("dotfiles/vbaddin.ini");
    writeFile(kept, "[Add-Ins32]\n");
    QFile::setPermissions(kept, QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(m_file);
    ASSERT_TRUE(QFile::link(kept, m_file));
    ASSERT_TRUE(WritePrivateProfileString("Add-Ins32", "Morvane.Connect", "1", m_file));
    EXPECT_EQ(QFileInfo(m_file).symLinkTarget(), kept);
    EXPECT_EQ(readFile(kept), "[Add-Ins32]\nMorvane.Connect=1\n");
    EXPECT_EQ(QFile::permissions(kept) & (QFile::ReadGroup | QFile::ReadOther), 0);
}

}  // namespace
