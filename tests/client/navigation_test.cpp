#include "client_fixture.h"

#include <QTimer>

using clienttest::ClientTest;

namespace {

using NavigationTest = ClientTest;

// The splash stays up four seconds from the start, on the clock the test moves. A start two seconds
// before midnight must end too: a seconds-since-midnight timer would fall back to 0 and never reach
// the start + 4. A slow navigation does not wait again.
TEST_F(NavigationTest, TheSplashStaysItsMinimumAndGoesBeforeTheDocumentFormats) {
    const struct {
        qint64 start, step;
        int maxReadings;
    } cases[] = {{1000, 500, 20}, {86'398'000, 500, 20}, {0, 6000, 2}};
    for (const auto& c : cases) {
        fake::TickClock clock(c.start, c.step);
        qint64 formattedAt = -1;
        bool splashAtFormat = true;
        fake::MRVDocument::onFormatWindow = [&] {
            formattedAt = clock.now - clock.step;
            splashAtFormat = shownSplash() != nullptr;
        };
        auto main = load(QString(), clock);
        ASSERT_NE(fake::MRVDocument::last, nullptr);
        EXPECT_EQ(fake::MRVDocument::last->formatCalls, 1);
        EXPECT_GE(formattedAt, c.start + client::kSplashMinimumMs) << c.start;
        EXPECT_LT(formattedAt, c.start + std::max(client::kSplashMinimumMs, c.step) + c.step) << c.start;
        EXPECT_LE(clock.readings, c.maxReadings) << "the start, and the looks while waiting";
        EXPECT_FALSE(splashAtFormat);
        EXPECT_EQ(fake::MRVDocument::last->Client(), main.get());
        EXPECT_TRUE(main->isVisible());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        main->close();
    }
}

TEST_F(NavigationTest, TheDocumentEndsTheClientThroughExitClient) {
    auto main = load(QString(), m_clock);
    QObject* client = fake::MRVDocument::last->Client();
    ASSERT_EQ(client, main.get());
    // As the document's hide command does it: late-bound, through its Client reference, from the
    // running event loop; and as in the program, no quitting because the last window closed.
    QTimer::singleShot(0, client, [client] { QMetaObject::invokeMethod(client, "ExitClient"); });
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

    // The document may also end the client while it formats.
    fake::MRVDocument::onFormatWindow = [] {
        QMetaObject::invokeMethod(fake::MRVDocument::last->Client(), "ExitClient");
    };
    main = load(QString(), m_clock);
    EXPECT_TRUE(main->isUnloaded());
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
