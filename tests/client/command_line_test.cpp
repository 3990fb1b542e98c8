#include "client_fixture.h"

using clienttest::ClientTest;

namespace {

const QString kPrompt = QStringLiteral("Navigate to:  YES = 'Design Mode'    NO = 'Compiled Mode'?");

class CommandLineTest : public ClientTest {
protected:
    std::unique_ptr<frmMain> load(const QString& commandLine, bool* loaded = nullptr) {
        auto main = std::make_unique<frmMain>(m_clock, m_clock.milliseconds());
        const bool ok = main->Form_Load(commandLine);
        if (loaded) *loaded = ok;
        return main;
    }
    fake::TickClock m_clock{0, 5000};
};

TEST_F(CommandLineTest, AnEmptyLineShowsTheSplashAndOpensTheProgramFoldersDocument) {
    // While the document is created: the splash up, the busy pointer, the window not yet shown.
    bool splashShown = false, busy = false, windowShown = true;
    fake::MRVDocument::onCreated = [&] {
        splashShown = shownSplash() != nullptr;
        busy = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        windowShown = fake::MRVDocument::last->window()->isVisible();
    };
    bool loaded = false;
    auto main = load("", &loaded);
    EXPECT_TRUE(loaded);
    EXPECT_TRUE(splashShown);
    EXPECT_TRUE(busy);
    EXPECT_FALSE(windowShown);
    EXPECT_EQ(main->documentPath(), store::programFolder() + "/MRVDocument.vbd");
    ASSERT_NE(fake::MRVDocument::last, nullptr);
    EXPECT_EQ(fake::MRVDocument::last->instanceType, 2) << "the client announced itself";

    settle();
    EXPECT_TRUE(boxes().isEmpty()) << "no prompt without the switch";
    EXPECT_EQ(main->splash(), nullptr);
    EXPECT_EQ(shownSplash(), nullptr);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    main->close();
}

TEST_F(CommandLineTest, TheSwitchInAnyCaseAsksWhereToGoAndShowsNoSplash) {
    for (const QString& line : {QStringLiteral("/debug"), QStringLiteral("/DEBUGX")}) {
        ui::testing::clear();
        ui::testing::queueAnswer(ui::vbNo);
        bool loaded = false;
        auto main = load(line, &loaded);
        EXPECT_TRUE(loaded);
        EXPECT_EQ(main->splash(), nullptr);
        EXPECT_EQ(shownSplash(), nullptr);
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(boxes()[0].title, "Navigate to?");
        EXPECT_EQ(boxes()[0].text, kPrompt);
        EXPECT_EQ(boxes()[0].buttons, ui::vbYesNo);
        EXPECT_EQ(boxes()[0].icon, ui::vbQuestion);
        EXPECT_TRUE(boxes()[0].foreground);
        // "Compiled Mode": the document this build wrote into its own program folder.
        EXPECT_EQ(main->documentPath(), frmMain::developmentDocumentPath());
        EXPECT_EQ(main->documentPath(), QStringLiteral(MRV_TEST_PROGRAM_DIR "/MRVDocument.vbd"));
        ASSERT_NE(fake::MRVDocument::last, nullptr) << line.toStdString();
        EXPECT_EQ(fake::MRVDocument::last->instanceType, 2);
        settle();
        main->close();
    }
}

TEST_F(CommandLineTest, WrongParametersAreReportedAndEndTheProgram) {
    for (const QString& line : {QStringLiteral("-DEBUG"), QStringLiteral("DEBUG"), QStringLiteral("x.vbd")}) {
        ui::testing::clear();
        bool loaded = true;
        auto main = load(line, &loaded);
        EXPECT_FALSE(loaded) << line.toStdString();
        EXPECT_TRUE(main->isUnloaded());
        EXPECT_EQ(shownSplash(), nullptr) << "the splash goes with the program";
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(boxes()[0].title, "Error Loading Parameter");
        EXPECT_EQ(boxes()[0].icon, ui::vbExclamation);
        EXPECT_EQ(boxes()[0].text,
                  "Error: Incorrect Parameter passed: " + line +
                      "\n\nValid Parameter: /DEBUG\n\nThe /DEBUG Parameter is only used by the "
                      "Developers of the application, and has no valid use to users.");
        EXPECT_EQ(loadingInstance(), "<none>");
        EXPECT_EQ(fake::MRVDocument::last, nullptr);
    }
}

TEST_F(CommandLineTest, DesignModeTriesTheTwoDesignPathsThenAsks) {
    // The design paths are relative names here; a file of that name in the working folder is found.
    const QString oldCurrent = QDir::currentPath();
    QDir().mkpath(path("cwd"));
    QDir::setCurrent(path("cwd"));
    struct Restore {
        QString dir;
        ~Restore() { QDir::setCurrent(dir); }
    } restore{oldCurrent};

    // Neither: the box, then the input box; its answer is navigated to.
    const QString mine = path("mine.vbd");
    writeFile(mine, dochost::documentFileText(client::kDocumentClass));
    ui::testing::queueAnswer(ui::vbYes);
    ui::testing::queueInputText(mine);
    auto main = load("/DEBUG");
    ASSERT_EQ(boxes().size(), 2);
    EXPECT_EQ(boxes()[1].title, "Document not found");
    EXPECT_EQ(boxes()[1].text,
              "Error: UserDocument Not found in:\n\nC: or D:\\Program Files\\DevStudio\\VB\\MRVDocument.vbd");
    EXPECT_EQ(boxes()[1].icon, ui::vbExclamation);
    ASSERT_EQ(ui::testing::shownDialogs().size(), 1);
    const ui::testing::ShownDialog& input = ui::testing::shownDialogs()[0];
    EXPECT_EQ(input.kind, ui::testing::DialogKind::InputBox);
    EXPECT_EQ(input.text, "Enter ActiveX UserDocument Path and Filename:");
    EXPECT_EQ(input.title, "Enter Document Path");
    EXPECT_EQ(input.defaultText, "C:\\");
    EXPECT_EQ(main->documentPath(), mine);
    ASSERT_NE(fake::MRVDocument::last, nullptr);
    settle();
    main->close();

    // The second design path, then the first, win over the input box.
    const QStringList design = frmMain::designDocumentPaths();
    for (int i = 1; i >= 0; --i) {
        writeFile(design[i], dochost::documentFileText(client::kDocumentClass));
        ui::testing::clear();
        ui::testing::queueAnswer(ui::vbYes);
        auto next = load("/debug");
        EXPECT_EQ(next->documentPath(), design[i]);
        EXPECT_EQ(boxes().size(), 1);
        EXPECT_TRUE(ui::testing::shownDialogs().isEmpty());
        settle();
        next->close();
    }
}

TEST_F(CommandLineTest, AnEmptyPathEndsTheProgram) {
    ui::testing::queueAnswer(ui::vbYes);  // the input box is cancelled unscripted
    bool loaded = true;
    auto main = load("/DEBUG", &loaded);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(loadingInstance(), "<none>");
    EXPECT_EQ(fake::MRVDocument::last, nullptr);
}

TEST_F(CommandLineTest, AFailedNavigationIsShownAndTheWindowStays) {
    QFile::remove(store::programFolder() + "/MRVDocument.vbd");
    bool loaded = false;
    auto main = load("", &loaded);
    EXPECT_TRUE(loaded);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].title, "Error Loading System");
    EXPECT_EQ(boxes()[0].icon, ui::vbExclamation);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Error: 3024\n\nCould not find file '%1'.")
                                   .arg(store::programFolder() + "/MRVDocument.vbd"));
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(main->isUnloaded());
    EXPECT_EQ(main->splash(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The announcement nobody read is taken back, or the next browser would think itself the client.
    EXPECT_EQ(loadingInstance(), "0");

    ui::testing::clear();
    dochost::unregisterDocumentClass(client::kDocumentClass);
    writeFile(store::programFolder() + "/MRVDocument.vbd", dochost::documentFileText(client::kDocumentClass));
    auto second = load("");
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes()[0].text.startsWith("Error: -2147221164\n\nClass not registered"));
    main->close();
    second->close();
}

}  // namespace
