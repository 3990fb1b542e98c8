#include "client_fixture.h"

#include <QTimer>

using clienttest::ClientTest;

namespace {

class NavigationTest : public ClientTest {
protected:
    // Loads with the clock given; records the clock's last reading when FormatWindow runs.
    std::unique_ptr<frmMain> open(fake::TickClock& clock) {
        fake::MRVDocument::onFormatWindow = [&clock, this] {
            formattedAt = clock.now - clock.step;
            splashAtFormat = shownSplash() != nullptr;
        };
        startedAt = clock.milliseconds();
        auto main = std::make_unique<frmMain>(clock, startedAt);
        EXPECT_TRUE(main->Form_Load(QString()));
        settle();
        return main;
    }
    qint64 startedAt = -1;
    qint64 formattedAt = -1;
    bool splashAtFormat = true;
};

TEST_F(NavigationTest, AQuickNavigationKeepsTheSplashUpForFourSeconds) {
    fake::TickClock clock(1000, 500);
    auto main = open(clock);
    ASSERT_NE(fake::MRVDocument::last, nullptr);
    EXPECT_EQ(fake::MRVDocument::last->formatCalls, 1);
    EXPECT_GE(formattedAt, startedAt + client::kSplashMinimumMs);
    EXPECT_LT(formattedAt, startedAt + client::kSplashMinimumMs + clock.step);
    EXPECT_FALSE(splashAtFormat) << "the splash goes before the document formats its window";
    EXPECT_EQ(fake::MRVDocument::last->Client(), main.get());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    main->close();
}

// A start two seconds before midnight: a seconds-since-midnight timer would fall back to 0 and
// never reach the start + 4.
TEST_F(NavigationTest, TheWaitEndsAcrossMidnight) {
    fake::TickClock clock(86'398'000, 500);
    auto main = open(clock);
    ASSERT_NE(fake::MRVDocument::last, nullptr);
    EXPECT_EQ(fake::MRVDocument::last->formatCalls, 1);
    EXPECT_GE(formattedAt, 86'402'000);
    EXPECT_LT(clock.readings, 20);
    main->close();

    // The clock the program runs on never goes back.
    const client::SteadyClock steady;
    const qint64 a = steady.milliseconds();
    EXPECT_GE(steady.milliseconds(), a);
}

TEST_F(NavigationTest, ASlowNavigationDoesNotWaitAgain) {
    fake::TickClock clock(0, 6000);
    auto main = open(clock);
    EXPECT_EQ(fake::MRVDocument::last->formatCalls, 1);
    EXPECT_EQ(clock.readings, 2) << "the start, and one look once navigation completed";
    main->close();
}

TEST_F(NavigationTest, TheDocumentEndsTheClientThroughExitClient) {
    fake::TickClock clock(0, 5000);
    auto main = open(clock);
    QObject* client = fake::MRVDocument::last->Client();
    ASSERT_EQ(client, main.get());

    // As the document's hide command does it: late-bound, through its Client reference, from the
    // running event loop.
    QTimer::singleShot(0, client, [client] { QMetaObject::invokeMethod(client, "ExitClient"); });
    // As in the program: no quitting because the last window closed, only through the client.
    QApplication::setQuitOnLastWindowClosed(false);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(99); });
    guard.start(10000);
    EXPECT_EQ(QApplication::exec(), 0);
    QApplication::setQuitOnLastWindowClosed(true);
    EXPECT_TRUE(guard.isActive()) << "ended by the client, not by the guard";
    EXPECT_TRUE(main->isUnloaded());
    EXPECT_FALSE(main->isVisible());
}

TEST_F(NavigationTest, ADocumentWithoutTheClientMembersIsReported) {
    dochost::registerDocumentClass(client::kDocumentClass,
                                   [](QWidget* parent) { return new fake::PlainDocument(parent); });
    fake::TickClock clock(0, 5000);
    auto main = open(clock);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].title, "Navigate Complete");
    EXPECT_EQ(boxes()[0].icon, ui::vbExclamation);
    EXPECT_EQ(boxes()[0].text, "Error: 438\n\nObject doesn't support this property or method");
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(main->isUnloaded());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    main->close();
}

TEST_F(NavigationTest, ADocumentMayEndTheClientWhileItFormats) {
    fake::TickClock clock(0, 5000);
    fake::MRVDocument::onFormatWindow = [] {
        QMetaObject::invokeMethod(fake::MRVDocument::last->Client(), "ExitClient");
    };
    auto main = std::make_unique<frmMain>(clock, clock.milliseconds());
    EXPECT_TRUE(main->Form_Load(QString()));
    settle();
    EXPECT_TRUE(main->isUnloaded());
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(NavigationTest, FoundFileIsTrueOnlyForAnExistingFile) {
    fake::TickClock clock(0, 5000);
    frmMain main(clock, 0);
    writeFile(path("there.txt"), "x");
    EXPECT_TRUE(main.FoundFile(path("there.txt")));
    EXPECT_FALSE(main.FoundFile(path("missing.txt")));
    EXPECT_FALSE(main.FoundFile(m_dir.path()));
    EXPECT_FALSE(main.FoundFile(QString()));
    EXPECT_FALSE(main.FoundFile(path("*.txt")));
}

}  // namespace
