// The desktop-shell layer: desktop entry Exec lines, and the properties request over D-Bus, against
// a private bus of our own (with and without a file manager on it).

#include "platform/shell.h"
#include "platform/ui.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

void write(const QString& file, const QByteArray& text) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text);
}

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
    entry.path = QStringLiteral("/usr/share/applications/ed.desktop");
    entry.name = QStringLiteral("My Editor");
    entry.icon = QStringLiteral("ed-icon");
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
    const QString apps = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
    write(apps + QStringLiteral("/vendor/tool.desktop"),
          "[Desktop Action new]\nExec=wrong\n[Desktop Entry]\nName=Tool\nExec=tool\\sx --a=\\\\ "
          "%f\nTerminal=true\n");
    write(apps + QStringLiteral("/gone.desktop"), "[Desktop Entry]\nExec=gone\nHidden=true\n");
    const shell::DesktopEntry tool = shell::findDesktopEntry(QStringLiteral("vendor-tool.desktop"));
    EXPECT_EQ(tool.exec, QStringLiteral("tool x --a=\\ %f"));
    EXPECT_EQ(tool.name, QStringLiteral("Tool"));
    EXPECT_TRUE(tool.terminal);
    EXPECT_TRUE(shell::findDesktopEntry(QStringLiteral("gone.desktop")).exec.isEmpty());
    EXPECT_TRUE(shell::findDesktopEntry(QStringLiteral("../x.desktop")).exec.isEmpty());
}

class PropertiesBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::testing::enableRecording();
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
        m_daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                QStringLiteral("--print-address=1")});
        ASSERT_TRUE(m_daemon.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        ASSERT_FALSE(m_address.isEmpty());
        shell::testing::setPropertiesBusAddress(m_address);
        write(m_dir.filePath(QStringLiteral("a.txt")), "abc");
    }
    void TearDown() override {
        shell::testing::setPropertiesBusAddress(QString());
        QDBusConnection::disconnectFromBus(QStringLiteral("morvane-properties-") + m_address);
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
};

TEST_F(PropertiesBusTest, FileManagerOnTheBusIsAskedAndOurWindowStaysAway) {
    QDBusConnection service = QDBusConnection::connectToBus(m_address, QStringLiteral("fake-file-manager"));
    ASSERT_TRUE(service.isConnected());
    FakeFileManager manager;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    QElapsedTimer clock;
    clock.start();
    shell::showProperties(m_dir.filePath(QStringLiteral("a.txt")));
    EXPECT_LT(clock.elapsed(), 1000);  // the request does not hold up the caller
    ASSERT_TRUE(spin([&] { return !manager.shown.isEmpty(); }, 10000));
    EXPECT_EQ(manager.shown,
              QStringList{QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("a.txt"))).toString()});
    spin([] { return false; }, 200);
    EXPECT_EQ(propertiesWindow(), nullptr);
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-file-manager"));
}

TEST_F(PropertiesBusTest, BusWithoutAFileManagerFallsBackToOurWindow) {
    shell::showProperties(m_dir.filePath(QStringLiteral("a.txt")));
    EXPECT_TRUE(spin([] { return propertiesWindow() != nullptr; }, 10000));
}

#include "shell_test.moc"
