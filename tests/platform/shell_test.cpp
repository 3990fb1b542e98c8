// The desktop-shell layer: desktop entry Exec lines, and the properties request over D-Bus. The
// wait and copy routines are driven through their store wrappers in tests/store/files_test.cpp.

#include "platform/shell.h"
#include "platform/shell_desktop.h"
#include "platform/ui.h"
#include "platform_fixture.h"

#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

using platformtest::writeFile;

namespace {

QWidget* propertiesWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmFileProperties") && w->isVisible()) return w;
    return nullptr;
}

// Stands in for a file manager.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown;

public slots:
    void ShowItemProperties(const QStringList& uris, const QString& /*startupId*/) { shown << uris; }
};

}  // namespace

TEST(DesktopExecTest, QuotingAndFieldCodes) {
    shell::DesktopEntry entry;
    entry.path = "/usr/share/applications/ed.desktop";
    entry.name = "My Editor";
    entry.icon = "ed-icon";
    const QString file = QStringLiteral("/tmp/a b/it's \"x\".txt");
    const struct {
        const char* exec;
        QStringList expected;
    } cases[] = {
        {"ed %f", {"ed", file}},
        {"ed %U --new", {"ed", file, "--new"}},
        {"ed", {"ed", file}},  // no field code: the file goes last
        {"\"/opt/my ed/ed\" --title=%c %k", {"/opt/my ed/ed", "--title=My Editor", entry.path, file}},
        {"ed %i -p 100%% %d %f", {"ed", "--icon", "ed-icon", "-p", "100%", file}},
        {"sh -c \"echo \\\"\\$1\\\" \\\\ \" %f", {"sh", "-c", "echo \"$1\" \\ ", file}},
        {"  ed   --x  %F  ", {"ed", "--x", file}},
        {"ed \"unterminated %f", {}},
        {"%d", {}},
    };
    for (const auto& c : cases) {
        entry.exec = QString::fromUtf8(c.exec);
        EXPECT_EQ(shell::desktopExecArguments(entry, file), c.expected) << c.exec;
    }
}

TEST(DesktopExecTest, EntriesAreFoundInTheDataFoldersWithTheirEscapes) {
    const QString apps = qEnvironmentVariable("XDG_DATA_HOME") + "/applications";
    writeFile(apps + "/vendor/tool.desktop",
              "[Desktop Action new]\nExec=wrong\n[Desktop Entry]\nName=Tool\nExec=tool\\sx --a=\\\\ "
              "%f\nTerminal=true\n");
    writeFile(apps + "/gone.desktop", "[Desktop Entry]\nExec=gone\nHidden=true\n");
    const shell::DesktopEntry tool = shell::findDesktopEntry("vendor-tool.desktop");
    EXPECT_EQ(tool.exec, "tool x --a=\\ %f");
    EXPECT_EQ(tool.name, "Tool");
    EXPECT_TRUE(tool.terminal);
    EXPECT_TRUE(shell::findDesktopEntry("gone.desktop").exec.isEmpty());
    EXPECT_TRUE(shell::findDesktopEntry("../x.desktop").exec.isEmpty());
}

// A private bus of our own, with or without a file manager on it.
class PropertiesBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::testing::enableRecording();
        const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
        if (daemon.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
        m_daemon.start(daemon, {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(m_daemon.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        ASSERT_FALSE(m_address.isEmpty());
        shell::testing::setPropertiesBusAddress(m_address);
        writeFile(m_file, "abc");
    }
    void TearDown() override {
        shell::testing::setPropertiesBusAddress(QString());
        QDBusConnection::disconnectFromBus("morvane-properties-" + m_address);
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
        delete propertiesWindow();
    }
    // Lets the event loop run until done() or the time is up.
    template <typename Done>
    static bool spin(Done done, int ms) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    QProcess m_daemon;
    QString m_address;
    QTemporaryDir m_dir;
    const QString m_file = m_dir.filePath("a.txt");
};

TEST_F(PropertiesBusTest, FileManagerOnTheBusIsAskedAndOurWindowStaysAway) {
    QDBusConnection service = QDBusConnection::connectToBus(m_address, "fake-file-manager");
    FakeFileManager manager;
    ASSERT_TRUE(
        service.registerObject("/org/freedesktop/FileManager1", &manager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService("org.freedesktop.FileManager1"));
    shell::showDesktopProperties(m_file, nullptr);
    ASSERT_TRUE(spin([&] { return !manager.shown.isEmpty(); }, 10000));
    EXPECT_EQ(manager.shown, QStringList{QUrl::fromLocalFile(m_file).toString()});
    spin([] { return false; }, 200);
    EXPECT_EQ(propertiesWindow(), nullptr);
    QDBusConnection::disconnectFromBus("fake-file-manager");
}

TEST_F(PropertiesBusTest, BusWithoutAFileManagerFallsBackToOurWindow) {
    shell::showDesktopProperties(m_file, nullptr);
    EXPECT_TRUE(spin([] { return propertiesWindow() != nullptr; }, 10000));
}

#include "shell_test.moc"
