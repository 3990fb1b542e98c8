// The help window over the pages the build puts beside the program.

#include "platform/help.h"

#include "platform_fixture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace {

const QString kHelpFile = QStringLiteral(MRV_TEST_PROGRAM_DIR "/MRVHelp.hlp");

class HelpTest : public ::testing::Test {
protected:
    void TearDown() override { help::WinHelp(nullptr, kHelpFile, help::HELP_QUIT); }
    static help::HelpWindow* window() { return help::helpWindow(); }
    static QString shown() {
        const QUrl url = window()->currentSource();
        return url.fileName() + (url.hasFragment() ? "#" + url.fragment() : QString());
    }
};

TEST_F(HelpTest, ContextNumbersOpenTheirPages) {
    const struct {
        int context;
        const char *page, *title;
    } contexts[] = {{15, "synchronisation.html", "Library groups and synchronisation"},
                    {44, "library.html#copy-backup", "Libraries: choosing, creating, copying"},
                    {48, "preferences.html#shared-module-folder", "Preferences"}};
    for (const auto& c : contexts) {
        ASSERT_TRUE(help::WinHelp(nullptr, kHelpFile, help::HELP_CONTEXT, c.context));
        EXPECT_TRUE(window()->isVisible());
        EXPECT_EQ(shown(), c.page);
        EXPECT_EQ(window()->currentTitle(), c.title);
    }

    // A number without a page: the contents, and the caller is told.
    EXPECT_FALSE(help::WinHelp(nullptr, kHelpFile, help::HELP_CONTEXT, 999));
    EXPECT_EQ(shown(), "index.html");
    EXPECT_EQ(window()->findChild<QListWidget*>("lstContents")->count(), 8);

    help::WinHelp(nullptr, kHelpFile, help::HELP_QUIT);
    EXPECT_FALSE(window() && window()->isVisible());
}

TEST_F(HelpTest, KeywordIndexFindsByFirstLetters) {
    ASSERT_TRUE(help::WinHelp(nullptr, kHelpFile, help::HELP_PARTIALKEY));
    EXPECT_EQ(window()->findChild<QTabWidget*>("tabHelp")->currentIndex(), 1);
    auto* keywords = window()->findChild<QListWidget*>("lstIndex");
    ASSERT_TRUE(keywords);
    EXPECT_GT(keywords->count(), 20);
    EXPECT_EQ(keywords->currentItem()->text(), "Archive");  // sorted, the first one selected

    window()->showIndex("shared MOD");
    EXPECT_EQ(keywords->currentItem()->text(), "Shared module folder");
    auto* keyword = window()->findChild<QLineEdit*>("txtKeyword");
    emit keyword->returnPressed();
    EXPECT_EQ(shown(), "preferences.html#shared-module-folder");
    window()->showIndex("zzz");  // no keyword begins so: the first one stays selected
    EXPECT_EQ(keywords->currentItem()->text(), "Archive");
}

// The help opens over the window that asked for it, shows its contents' titles whole, and goes
// away with Esc.
TEST_F(HelpTest, OpensOverItsOwnerShowsWholeTitlesAndClosesWithEsc) {
    QWidget owner;
    owner.setGeometry(250, 200, 300, 200);
    owner.show();
    ASSERT_TRUE(help::WinHelp(&owner, kHelpFile, help::HELP_FINDER));
    QApplication::processEvents();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(area.contains(window()->frameGeometry()));
    EXPECT_TRUE(window()->frameGeometry().contains(owner.frameGeometry().center()));
    auto* contents = window()->findChild<QListWidget*>("lstContents");
    for (int row = 0; row < contents->count(); ++row)
        EXPECT_LE(contents->visualItemRect(contents->item(row)).left() +
                      contents->fontMetrics().horizontalAdvance(contents->item(row)->text()),
                  contents->viewport()->width())
            << contents->item(row)->text().toStdString();
    auto* esc = window()->findChild<QShortcut*>();
    ASSERT_NE(esc, nullptr);
    EXPECT_EQ(esc->key(), QKeySequence(Qt::Key_Escape));
    emit esc->activated();
    QApplication::processEvents();
    EXPECT_FALSE(window() && window()->isVisible());
}

TEST_F(HelpTest, EveryTopicAndLinkLeadsToAPageAndAnchorThatExist) {
    const QString folder = QStringLiteral(MRV_TEST_PROGRAM_DIR "/help");
    const auto readText = [](const QString& path) { return QString::fromUtf8(platformtest::readFile(path)); };
    const auto check = [&](const QString& target, const QString& from) {
        const QString text = readText(folder + "/" + target.section('#', 0, 0));
        const QString anchor = target.section('#', 1);
        EXPECT_TRUE(!text.isEmpty() && (anchor.isEmpty() || text.contains("<a name=\"" + anchor + "\">")))
            << target.toStdString() << " from " << from.toStdString();
    };
    const QString topics = readText(folder + "/topics.txt");
    ASSERT_FALSE(topics.isEmpty());
    static const QRegularExpression target(R"re(([a-z-]+\.html(#[a-z-]+)?))re");
    for (auto it = target.globalMatch(topics); it.hasNext();) check(it.next().captured(1), "topics.txt");

    static const QRegularExpression href(R"re(href="([^"]+)")re");
    for (const QString& page : QDir(folder).entryList({"*.html"})) {
        for (auto it = href.globalMatch(readText(folder + "/" + page)); it.hasNext();) {
            const QString link = it.next().captured(1);
            if (!link.startsWith("http") && !link.startsWith("mailto:")) check(link, page);
        }
    }
}

}  // namespace
