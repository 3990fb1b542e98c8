// The add-in list.

#include "store/startup.h"

#include "tests/store/store_fixture.h"

#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace storetest;

namespace {

TEST(AddInList, RegisteringListsTheAddInAndUnregisteringRemovesOnlyOurEntry) {
    const auto write = [](const QByteArray& text) { writeBytes(store::addInListPath(), text); };
    EXPECT_TRUE(store::addInListPath().endsWith("/morvane/vbaddin.ini"));
    EXPECT_FALSE(store::IsAddInRegistered());
    store::UnregisterAddIn();  // absent: nothing is written, not even the file
    EXPECT_FALSE(QFile::exists(store::addInListPath()));
    store::RegisterAddIn();
    EXPECT_EQ(readBytes(store::addInListPath()), "[Add-Ins32]\nMorvane.Connect=0\n");
    EXPECT_TRUE(store::IsAddInRegistered());  // "0" counts
    write("[Add-Ins32]\nMorvane.Connect=\n");
    EXPECT_FALSE(store::IsAddInRegistered());

    // Other sections, look-alike keys, a longer value and a section longer than one read of 1000
    // characters: all kept in their order, only our entry goes.
    QByteArray before =
        "[Other]\nMorvane.Connect=1\n\n[Add-Ins32]\nVBSDIAddIn.Connect=0\nMorvane.ConnectHelper=1\n";
    for (int i = 0; i < 80; ++i) before += "Some.Long.AddIn.Name" + QByteArray::number(i) + "=1\n";
    before += "morvane.connect=10\nCaf\xe9.Wizard=1\r\n\n[Tail]\nx=y\n";  // Latin-1 and CR LF stay
    write(before);
    store::UnregisterAddIn();
    EXPECT_EQ(readBytes(store::addInListPath()), QByteArray(before).replace("morvane.connect=10\n", ""));
    EXPECT_FALSE(store::IsAddInRegistered());
    // Absent from the section: the file is left exactly as it was.
    const QByteArray unchanged = "[Add-Ins32]\r\n; a comment\r\nA.B=0\r\n";
    write(unchanged);
    store::UnregisterAddIn();
    EXPECT_EQ(readBytes(store::addInListPath()), unchanged);
}

// A list that cannot be read is never written: written from nothing it would hold only our entry.
// Root reads every file, so the attempt runs in a child as an ordinary user; the list lies in a
// folder that user may enter.
TEST(AddInList, AListThatCannotBeReadIsLeftAsItIsAndReported) {
    QTemporaryDir config("/tmp/mrv-addins-XXXXXX");
    ASSERT_TRUE(config.isValid());
    const QString list = config.filePath("morvane/vbaddin.ini");
    const QByteArray before = "[Add-Ins32]\nOther.Connect=1\n";
    writeBytes(list, before);
    constexpr uid_t kNobody = 65534;
    for (const QString& p : {config.path(), QFileInfo(list).absolutePath()})
        ASSERT_TRUE(::chmod(QFile::encodeName(p).constData(), 0777) == 0);
    ASSERT_EQ(::chmod(QFile::encodeName(list).constData(), 0200), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(list).constData(), kNobody, kNobody), 0);
    }

    ui::testing::enableRecording();
    ui::testing::clear();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(100);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        store::RegisterAddIn();
        const auto& shown = ui::testing::shownBoxes();
        ::_exit(shown.size() == 1 && shown[0].title == "Add-In List" ? 0 : 101);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ::chmod(QFile::encodeName(list).constData(), 0600);
    EXPECT_EQ(readBytes(list), before);
}

}  // namespace
