// Our private-profile routines: the section semantics the add-in list relies on.

#include "platform/private_profile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;

namespace {

const QChar NUL(u'\0');

class PrivateProfileTest : public ::testing::Test {
protected:
    void write(const QByteArray& text) {
        QFile f(m_file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    QByteArray read() const {
        QFile f(m_file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir m_dir;
    const QString m_file = m_dir.filePath(QStringLiteral("sub/vbaddin.ini"));
    const QByteArray m_sample =
        "; the IDE's list\r\n"
        "[Other]\r\n"
        "Add=9\r\n"
        "\r\n"
        "[Add-Ins32]\r\n"
        "First.Connect=1\r\n"
        "  Middle.Connect = 0  \r\n"
        "Last.Connect=\"quoted\"\r\n"
        "\r\n"
        "[Tail]\r\n"
        "x=y\r\n";
};

TEST_F(PrivateProfileTest, ReadsIgnoringCaseAndCutsToTheBuffer) {
    EXPECT_EQ(GetPrivateProfileString("Add-Ins32", "First.Connect", "none", 100, m_file), "none");  // no file
    QDir().mkpath(m_dir.filePath("sub"));
    write(m_sample);
    EXPECT_EQ(GetPrivateProfileString("add-ins32", "MIDDLE.connect", "", 100, m_file), "0");
    EXPECT_EQ(GetPrivateProfileString("Add-Ins32", "Last.Connect", "", 100, m_file), "quoted");
    EXPECT_EQ(GetPrivateProfileString("Add-Ins32", "Last.Connect", "", 4, m_file), "quo");
    EXPECT_EQ(GetPrivateProfileString("Add-Ins32", "Add", "dflt", 100, m_file),
              "dflt");  // another section's key
    EXPECT_EQ(GetPrivateProfileString("Missing", "x", "dflt", 2, m_file), "d");
}

TEST_F(PrivateProfileTest, WritesInPlaceAppendsAndRemovesKeepingTheRest) {
    QDir().mkpath(m_dir.filePath("sub"));
    write(m_sample);
    ASSERT_TRUE(WritePrivateProfileString("ADD-INS32", "middle.connect", "1", m_file));
    ASSERT_TRUE(WritePrivateProfileString("Add-Ins32", "New.Connect", "0", m_file));
    ASSERT_TRUE(WritePrivateProfileString("Fresh", "k", "v", m_file));
    EXPECT_EQ(read(),
              "; the IDE's list\n[Other]\nAdd=9\n\n[Add-Ins32]\nFirst.Connect=1\nMiddle.Connect=1\n"
              "Last.Connect=\"quoted\"\nNew.Connect=0\n\n[Tail]\nx=y\n\n[Fresh]\nk=v\n");

    ASSERT_TRUE(WritePrivateProfileString("Add-Ins32", "First.Connect", QString(), m_file));
    ASSERT_TRUE(WritePrivateProfileString("Tail", QString(), QString(), m_file));
    ASSERT_TRUE(WritePrivateProfileString("Nowhere", "k", QString(), m_file));  // nothing to remove
    EXPECT_EQ(read(),
              "; the IDE's list\n[Other]\nAdd=9\n\n[Add-Ins32]\nMiddle.Connect=1\n"
              "Last.Connect=\"quoted\"\nNew.Connect=0\n\n[Fresh]\nk=v\n");

    // A new file, its folder included.
    QDir(m_dir.filePath("sub")).removeRecursively();
    ASSERT_TRUE(WritePrivateProfileString("Add-Ins32", "Morvane.Connect", "0", m_file));
    EXPECT_EQ(read(), "[Add-Ins32]\nMorvane.Connect=0\n");
}

TEST_F(PrivateProfileTest, SectionsTravelAsNulSeparatedEntries) {
    QDir().mkpath(m_dir.filePath("sub"));
    write(m_sample);
    const QString whole = GetPrivateProfileSection("add-ins32", 1000, m_file);
    EXPECT_EQ(whole, QStringLiteral("First.Connect=1") + NUL + "Middle.Connect=0" + NUL +
                         "Last.Connect=quoted" + NUL + NUL);
    const QString cut = GetPrivateProfileSection("Add-Ins32", 20, m_file);
    EXPECT_EQ(cut, QStringLiteral("First.Connect=1") + NUL + "Mi" + NUL + NUL);
    EXPECT_EQ(GetPrivateProfileSection("Missing", 1000, m_file), QString());

    // The text after a double NUL is not part of the list.
    ASSERT_TRUE(WritePrivateProfileSection(
        "Add-Ins32", QStringLiteral("B=1") + NUL + "A=0" + NUL + NUL + "junk=1", m_file));
    ASSERT_TRUE(WritePrivateProfileSection("New", QStringLiteral("k=v") + NUL, m_file));
    EXPECT_EQ(read(),
              "; the IDE's list\n[Other]\nAdd=9\n\n[Add-Ins32]\nB=1\nA=0\n\n[Tail]\nx=y\n\n[New]\nk=v\n");

    // A file cut anywhere still reads without harm.
    for (int length = 0; length <= m_sample.size(); ++length) {
        write(m_sample.left(length));
        const QString section = GetPrivateProfileSection("Add-Ins32", 1000, m_file);
        // Missing, empty (a lone NUL) or a list closed by two NULs.
        EXPECT_TRUE(section.isEmpty() || section == NUL || section.endsWith(QString(NUL) + NUL)) << length;
    }
}

}  // namespace
