// Our private-profile routines: the section semantics the add-in list relies on.

#include "platform/private_profile.h"

#include "platform_fixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;
using platformtest::readFile;
using platformtest::writeFile;

namespace {

const QChar NUL(u'\0');

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

TEST_F(PrivateProfileTest, WritesInPlaceAppendsAndRemovesKeepingTheRest) {
    writeFile(m_file, m_sample);
    ASSERT_TRUE(WritePrivateProfileString("ADD-INS32", "middle.connect", "1", m_file));
    ASSERT_TRUE(WritePrivateProfileString("Add-Ins32", "New.Connect", "0", m_file));
    ASSERT_TRUE(WritePrivateProfileString("Fresh", "k", "v", m_file));
    EXPECT_EQ(readFile(m_file),
              "; the IDE's list\n[Other]\nAdd=9\n\n[Add-Ins32]\nFirst.Connect=1\nMiddle.Connect=1\n"
              "Last.Connect=\"quoted\"\nNew.Connect=0\n\n[Tail]\nx=y\n\n[Fresh]\nk=v\n");

    ASSERT_TRUE(WritePrivateProfileString("Add-Ins32", "First.Connect", QString(), m_file));
    ASSERT_TRUE(WritePrivateProfileString("Tail", QString(), QString(), m_file));
    ASSERT_TRUE(WritePrivateProfileString("Nowhere", "k", QString(), m_file));  // nothing to remove
    EXPECT_EQ(readFile(m_file),
              "; the IDE's list\n[Other]\nAdd=9\n\n[Add-Ins32]\nMiddle.Connect=1\n"
              "Last.Connect=\"quoted\"\nNew.Connect=0\n\n[Fresh]\nk=v\n");

    // A new file, its folder included.
    QDir(m_dir.filePath("sub")).removeRecursively();
    ASSERT_TRUE(WritePrivateProfileString("Add-Ins32", "Morvane.Connect", "0", m_file));
    EXPECT_EQ(readFile(m_file), "[Add-Ins32]\nMorvane.Connect=0\n");
}

TEST_F(PrivateProfileTest, SectionsTravelAsNulSeparatedEntriesInTheirPlace) {
    writeFile(m_file, m_sample);
    EXPECT_EQ(GetPrivateProfileSection("add-ins32", 1000, m_file), QStringLiteral("First.Connect=1") + NUL +
                                                                       "Middle.Connect=0" + NUL +
                                                                       "Last.Connect=quoted" + NUL + NUL);
    EXPECT_EQ(GetPrivateProfileSection("Add-Ins32", 20, m_file),
              QStringLiteral("First.Connect=1") + NUL + "Mi" + NUL + NUL);
    EXPECT_EQ(GetPrivateProfileSection("Missing", 1000, m_file), QString());

    // The text after a double NUL is not part of the list; the sections around keep their place.
    ASSERT_TRUE(WritePrivateProfileSection(
        "Add-Ins32", QStringLiteral("B=1") + NUL + "A=0" + NUL + NUL + "junk=1", m_file));
    ASSERT_TRUE(WritePrivateProfileSection("New", QStringLiteral("k=v") + NUL, m_file));
    EXPECT_EQ(readFile(m_file),
              "; the IDE's list\n[Other]\nAdd=9\n\n[Add-Ins32]\nB=1\nA=0\n\n[Tail]\nx=y\n\n[New]\nk=v\n");

    // A file cut anywhere still reads without harm: missing, empty (a lone NUL) or closed by two NULs.
    for (int length = 0; length <= m_sample.size(); ++length) {
        writeFile(m_file, m_sample.left(length));
        const QString section = GetPrivateProfileSection("Add-Ins32", 1000, m_file);
        EXPECT_TRUE(section.isEmpty() || section == NUL || section.endsWith(QString(NUL) + NUL)) << length;
    }
}

}  // namespace
