// One main for every test binary: an offscreen QApplication, and for every test its own HOME,
// config, data, cache and temp folders, so nothing a test writes reaches the user's files or
// another test.

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

class IsolatedFolders : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo&) override {
        m_root = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/mrv-test-XXXXXX");
        const QString root = m_root->path();
        for (const char* sub : {"home", "config", "data", "cache", "tmp", "runtime"}) QDir(root).mkpath(sub);
        QFile::setPermissions(root + "/runtime",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        set("HOME", root + "/home");
        set("XDG_CONFIG_HOME", root + "/config");
        set("XDG_DATA_HOME", root + "/data");
        set("XDG_CACHE_HOME", root + "/cache");
        set("XDG_RUNTIME_DIR", root + "/runtime");
        set("TMPDIR", root + "/tmp");
    }
    void OnTestEnd(const testing::TestInfo&) override {
        set("TMPDIR", m_outerTmp);
        m_root.reset();
    }
    QString m_outerTmp = QString::fromLocal8Bit(qgetenv("TMPDIR"));

private:
    static void set(const char* name, const QString& value) { qputenv(name, value.toLocal8Bit()); }
    std::unique_ptr<QTemporaryDir> m_root;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    app.setApplicationName("morvane-tests");
    testing::UnitTest::GetInstance()->listeners().Append(new IsolatedFolders);
    return RUN_ALL_TESTS();
}
