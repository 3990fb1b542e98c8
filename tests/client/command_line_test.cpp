#include "client_fixture.h"

#include <QTemporaryFile>

#include <cstdio>

#include <unistd.h>

using clienttest::ClientTest;
using storetest::writeBytes;

namespace {

using CommandLineTest = ClientTest;

TEST_F(CommandLineTest, AnEmptyLineShowsTheSplashAndOpensTheProgramFoldersDocument) {
    // While the document is created: the splash up, the busy pointer, the window not yet shown.
    bool splashShown = false, busy = false, windowShown = true;
    fake::MRVDocument::onCreated = [&] {
        splashShown = shownSplash() != nullptr;
        busy = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        windowShown = fake::MRVDocument::last->window()->isVisible();
    };
    bool loaded = false;
    auto main = load("", m_clock, &loaded);
    EXPECT_TRUE(loaded && splashShown && busy);
    EXPECT_FALSE(windowShown);
    EXPECT_EQ(main->documentPath(), store::programFolder() + "/MRVDocument.vbd");
    ASSERT_NE(fake::MRVDocument::last, nullptr);
    EXPECT_EQ(fake::MRVDocument::last->instanceType, 2) << "the client announced itself";
    EXPECT_TRUE(boxes().isEmpty()) << "no prompt without the switch";
    EXPECT_EQ(main->splash(), nullptr);
    EXPECT_EQ(shownSplash(), nullptr);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    main->close();
}

TEST_F(CommandLineTest, TheSwitchInAnyCaseAsksWhereToGoAndShowsNoSplash) {
    for (const QString line : {"/debug", "/DEBUGX"}) {
        ui::testing::clear();
        ui::testing::queueAnswer(ui::vbNo);
        bool loaded = false;
        auto main = load(line, m_clock, &loaded, false);
        EXPECT_TRUE(loaded);
        EXPECT_EQ(main->splash(), nullptr);
        EXPECT_EQ(shownSplash(), nullptr);
        expectOneBox("Navigate to?", "Navigate to:  YES = 'Design Mode'    NO = 'Compiled Mode'?",
                     ui::vbYesNo | ui::vbQuestion);
        EXPECT_TRUE(boxes()[0].foreground);
        // "Compiled Mode": the document this build wrote into its own program folder.
        EXPECT_EQ(main->documentPath(), QStringLiteral(MRV_TEST_PROGRAM_DIR "/MRVDocument.vbd"));
        ASSERT_NE(fake::MRVDocument::last, nullptr) << line.toStdString();
        EXPECT_EQ(fake::MRVDocument::last->instanceType, 2);
        settle();
        main->close();
    }
    for (const auto& [line, isSwitch] :
         {std::pair{"/DeBuG", true}, {"/debug now", true}, {"/DEBU", false}, {" /DEBUG", false}, {"", false}})
        EXPECT_EQ(client::isDebugSwitch(line), isSwitch) << line;
    EXPECT_EQ(client::commandLineOf({"/debug", "x"}), "/debug x");
}

// Standard error, caught in a file while the object lives.
class CapturedStderr {
public:
    CapturedStderr() : m_saved(::dup(2)) {
        m_file.open();
        std::fflush(stderr);
        ::dup2(m_file.handle(), 2);
    }
    ~CapturedStderr() { restore(); }
    QByteArray text() {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore() {
        if (m_saved < 0) return;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved;
};

TEST_F(CommandLineTest, WrongParametersAreReportedAndEndTheProgram) {
    for (const QString line : {"--help", "-DEBUG", "DEBUG", "x.vbd"}) {
        ui::testing::clear();
        bool loaded = true;
        CapturedStderr err;
        auto main = load(line, m_clock, &loaded, false);
        // Typed in a terminal, the answer is there too.
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(QString::fromLocal8Bit(err.text()), boxes()[0].text + '\n');
        EXPECT_FALSE(loaded) << line.toStdString();
        EXPECT_TRUE(main->isUnloaded());
        EXPECT_EQ(shownSplash(), nullptr) << "the splash goes with the program";
        expectOneBox(
            "Error Loading Parameter",
            "Error: Incorrect Parameter passed: " + line +
                "\n\nValid Parameter: /DEBUG\n\nThe /DEBUG Parameter is only used by the Developers of the "
                "application, and has no valid use to users.",
            ui::vbExclamation);
        EXPECT_EQ(loadingInstance(), "<none>");
        EXPECT_EQ(fake::MRVDocument::last, nullptr);
    }
}

TEST_F(CommandLineTest, DesignModeTriesTheTwoDesignPathsThenAsksAndAnEmptyAnswerEnds) {
    // The design paths are relative names here; a file of that name in the working folder is found.
    struct Restore {
        QString dir = QDir::currentPath();
        ~Restore() { QDir::setCurrent(dir); }
    } restore;
    QDir().mkpath(path("cwd"));
    QDir::setCurrent(path("cwd"));

    // Neither: the box, then the input box; an empty answer ends the program, a path is navigated to.
    ui::testing::queueAnswer(ui::vbYes);
    bool loaded = true;
    load("/DEBUG", m_clock, &loaded);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(loadingInstance(), "<none>");
    EXPECT_EQ(fake::MRVDocument::last, nullptr);
    ASSERT_EQ(boxes().size(), 2);
    EXPECT_EQ(boxes()[1].title, "Document not found");
    EXPECT_EQ(boxes()[1].text,
              "Error: UserDocument Not found in:\n\nC: or D:\\Program Files\\DevStudio\\VB\\MRVDocument.vbd");
    EXPECT_EQ(boxes()[1].icon, ui::vbExclamation);
    ASSERT_EQ(ui::testing::shownDialogs().size(), 1);
    EXPECT_EQ(ui::testing::shownDialogs()[0].kind, ui::testing::DialogKind::InputBox);
    EXPECT_EQ(ui::testing::shownDialogs()[0].text, "Enter ActiveX UserDocument Path and Filename:");
    EXPECT_EQ(ui::testing::shownDialogs()[0].title, "Enter Document Path");
    EXPECT_EQ(ui::testing::shownDialogs()[0].defaultText, "C:\\");

    const QString mine = path("mine.vbd");
    writeBytes(mine, dochost::documentFileText(client::kDocumentClass));
    ui::testing::queueAnswer(ui::vbYes);
    ui::testing::queueInputText(mine);
    auto main = load("/DEBUG", m_clock);
    EXPECT_EQ(main->documentPath(), mine);
    EXPECT_NE(fake::MRVDocument::last, nullptr);

    // The second design path, then the first, win over the input box.
    const QStringList design = frmMain::designDocumentPaths();
    for (int i = 1; i >= 0; --i) {
        writeBytes(design[i], dochost::documentFileText(client::kDocumentClass));
        ui::testing::clear();
        ui::testing::queueAnswer(ui::vbYes);
        EXPECT_EQ(load("/debug", m_clock)->documentPath(), design[i]);
        EXPECT_EQ(boxes().size(), 1);
        EXPECT_TRUE(ui::testing::shownDialogs().isEmpty());
    }
}

// A missing file, a class nobody registered, a document without the client's members (no Client):
// each is shown, and the window stays up without splash or busy pointer.
TEST_F(CommandLineTest, AFailedNavigationIsShownAndTheWindowStays) {
    const auto expectShownAndStaying = [&](const char* title, const QString& text) {
        ui::testing::clear();
        bool loaded = false;
        auto main = load("", m_clock, &loaded);
        EXPECT_TRUE(loaded && main->isVisible() && !main->isUnloaded());
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(boxes()[0].title, title);
        EXPECT_EQ(boxes()[0].icon, ui::vbExclamation);
        EXPECT_TRUE(boxes()[0].text.startsWith(text)) << boxes()[0].text.toStdString();
        EXPECT_EQ(main->splash(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        main->close();
    };
    const QString file = store::programFolder() + "/MRVDocument.vbd";
    QFile::remove(file);
    expectShownAndStaying("Error Loading System", "Error: 3024\n\nCould not find file '" + file + "'.");
    // The announcement nobody read is taken back, or the next browser would think itself the client.
    EXPECT_EQ(loadingInstance(), "0");
    writeBytes(file, dochost::documentFileText(client::kDocumentClass));
    dochost::unregisterDocumentClass(client::kDocumentClass);
    expectShownAndStaying("Error Loading System", "Error: -2147221164\n\nClass not registered");
    dochost::registerDocumentClass(client::kDocumentClass,
                                   [](QWidget* parent) { return new QWidget(parent); });
    expectShownAndStaying("Navigate Complete",
                          "Error: 438\n\nObject doesn't support this property or method");
    EXPECT_EQ(loadingInstance(), "0");
}

}  // namespace
