// Start-up, the add-in list, event sounds and the edit commands.

#include "store/startup.h"

#include "platform/sound.h"
#include "store/settings.h"
#include "tests/store/store_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace storetest;

namespace {

const QChar NUL(u'\0');

TEST_F(StoreTest, StartUpCreatesTheWorkspaceAndSetsTheSharedTexts) {
    store::StartUp();
    EXPECT_NE(store::sharedWorkspace(), nullptr);
    EXPECT_EQ(store::helpFile(), store::programFolder() + "/MRVHelp.hlp");
    const store::ServerBusyTexts& texts = store::serverBusyTexts();
    EXPECT_EQ(texts.busyMessage, "Please wait while the Morvane finishes the current task.");
    EXPECT_EQ(texts.busyTitle, "Morvane Busy");
    EXPECT_EQ(texts.requestPendingMessage, "The Morvane has a Request Pending");
    EXPECT_EQ(texts.requestPendingTitle, "Morvane Request Pending");
    EXPECT_TRUE(boxes().isEmpty());
}

class AddInListTest : public ::testing::Test {
protected:
    void write(const QByteArray& text) {
        QDir().mkpath(QFileInfo(store::addInListPath()).absolutePath());
        writeBytes(store::addInListPath(), text);
    }
    static QByteArray read() { return readBytes(store::addInListPath()); }
};

TEST_F(AddInListTest, RegisteringListsTheAddInWithoutLoadingIt) {
    EXPECT_TRUE(store::addInListPath().endsWith("/morvane/vbaddin.ini"));
    EXPECT_FALSE(store::IsAddInRegistered());
    store::UnregisterAddIn();  // absent: nothing is written, not even the file
    EXPECT_FALSE(QFile::exists(store::addInListPath()));

    store::RegisterAddIn();
    EXPECT_EQ(read(), "[Add-Ins32]\nMorvane.Connect=0\n");
    EXPECT_TRUE(store::IsAddInRegistered());  // "0" counts
    write("[Add-Ins32]\nMorvane.Connect=1\n");
    EXPECT_TRUE(store::IsAddInRegistered());
    write("[Add-Ins32]\nMorvane.Connect=\n");
    EXPECT_FALSE(store::IsAddInRegistered());
}

TEST_F(AddInListTest, UnregisteringRemovesOnlyOurEntry) {
    const QByteArray before =
        "[Other]\nMorvane.Connect=1\n\n[Add-Ins32]\nVBSDIAddIn.Connect=0\nMorvane.ConnectHelper=1\n"
        "morvane.connect=1\nAppWizard.Wizard=1\n\n[Tail]\nx=y\n";
    write(before);
    store::UnregisterAddIn();
    EXPECT_EQ(read(),
              "[Other]\nMorvane.Connect=1\n\n[Add-Ins32]\nVBSDIAddIn.Connect=0\nMorvane.ConnectHelper=1\n"
              "AppWizard.Wizard=1\n\n[Tail]\nx=y\n");
    EXPECT_FALSE(store::IsAddInRegistered());

    // Absent from the section: the file is left exactly as it was.
    const QByteArray unchanged = "[Add-Ins32]\r\n; a comment\r\nA.B=0\r\n";
    write(unchanged);
    store::UnregisterAddIn();
    EXPECT_EQ(read(), unchanged);

    // A longer value, and a section longer than one read of 1000 characters: nothing else is lost.
    QByteArray big = "[Add-Ins32]\n";
    for (int i = 0; i < 80; ++i) big += "Some.Long.AddIn.Name" + QByteArray::number(i) + "=1\n";
    big += "Morvane.Connect=10\nLast.One=0\n";
    write(big);
    store::UnregisterAddIn();
    QByteArray expected = big;
    expected.replace("Morvane.Connect=10\n", "");
    EXPECT_EQ(read(), expected);
}

class EventSoundTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        sound::testing::clear();
        m_dataDirs = qgetenv("XDG_DATA_DIRS");
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        qputenv("XDG_DATA_DIRS", QFile::encodeName(data + "/none"));
        m_restoreUp = data + "/sounds/freedesktop/stereo/window-unminimized.oga";
        m_asterisk = data + "/sounds/freedesktop/stereo/dialog-information.oga";
        QDir().mkpath(data + "/sounds/freedesktop/stereo");
        writeBytes(m_restoreUp, "OggS");
        writeBytes(m_asterisk, "OggS");
    }
    void TearDown() override {
        qputenv("XDG_DATA_DIRS", m_dataDirs);
        sound::testing::clear();
        StoreTest::TearDown();
    }
    static const QStringList& played() { return sound::testing::playedFiles(); }
    QByteArray m_dataDirs;
    QString m_restoreUp, m_asterisk;
};

TEST_F(EventSoundTest, TheSchemeFileIsHandedBackAndPlayed) {
    EXPECT_EQ(store::eventSoundName(store::sndRestoreUp), "RestoreUp");
    EXPECT_EQ(store::eventSoundName(21), "You've Got Mail");
    EXPECT_EQ(store::eventSoundName(22), QString());
    EXPECT_EQ(store::eventSoundName(-1), QString());

    QString file;
    store::PlayEventSound(file, store::sndRestoreUp);
    EXPECT_EQ(file, m_restoreUp);
    QString mine = "/sounds/digital.wav";  // given: played as it is, no lookup
    store::PlayEventSound(mine, store::sndRestoreUp);
    EXPECT_EQ(mine, "/sounds/digital.wav");
    QString none;
    store::PlayEventSound(none, 40);  // no such event: nothing to play
    EXPECT_EQ(none, QString());
    EXPECT_EQ(played(), (QStringList{m_restoreUp, "/sounds/digital.wav", QString()}));
}

TEST_F(EventSoundTest, TheGeneralSettingSwitchesSoundsOff) {
    EXPECT_EQ(store::playEventSoundsAppName(), store::generalAppName());
    // Only the general name governs: an instance's value is not looked at.
    store::SaveSetting(store::instanceAppName("\\(Client)"), "General Properties", "Play Event Sounds", "0");
    store::PlayEventSound(store::sndMenuPopup);
    EXPECT_EQ(played().size(), 1);

    store::SaveSetting(store::generalAppName(), "General Properties", "Play Event Sounds", "0");
    QString file;
    store::PlayEventSound(file, store::sndRestoreUp);
    QString given = "/x.wav";
    store::PlayEventSound(given, store::sndRestoreUp);
    EXPECT_EQ(file, QString());
    EXPECT_EQ(played().size(), 1);
}

TEST_F(EventSoundTest, AnErrorReportSoundsTheAsterisk) {
    store::ReportError(engine::Error(0, QString()));
    EXPECT_TRUE(played().isEmpty());
    store::ReportError(engine::Error(engine::errLocked, "locked"), "bCodeLib.DBOpen");
    EXPECT_EQ(played(), QStringList{m_asterisk});
    EXPECT_EQ(boxes().size(), 1);
}

class EditCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&m_window);
        layout->addWidget(m_line = new QLineEdit);
        layout->addWidget(m_plain = new QPlainTextEdit);
        layout->addWidget(m_button = new QPushButton("Go"));
        m_button->setFocusPolicy(Qt::StrongFocus);
        m_window.show();
        m_window.activateWindow();
        QApplication::processEvents();
    }
    void focus(QWidget* w) {
        w->setFocus();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), w);
    }
    static QString clipboard() { return QApplication::clipboard()->text(); }
    QWidget m_window;
    QLineEdit* m_line;
    QPlainTextEdit* m_plain;
    QPushButton* m_button;
};

TEST_F(EditCommandTest, ActsOnTheFocusedTextBoxOnly) {
    focus(m_line);
    m_line->setText("Public Sub Main()");
    m_line->setSelection(7, 3);  // "Sub"
    store::EditCommand(store::editCut);
    EXPECT_EQ(clipboard(), "Sub");
    EXPECT_EQ(m_line->text(), "Public  Main()");
    m_line->setSelection(8, 4);  // "Main"
    store::EditCommand(store::editPaste);
    EXPECT_EQ(m_line->text(), "Public  Sub()");
    m_line->setSelection(0, 7);
    store::EditCommand(store::editDelete);
    store::EditCommand(store::editDelete);  // no selection left: nothing more goes
    store::EditCommand(4);
    EXPECT_EQ(m_line->text(), " Sub()");
    m_line->setReadOnly(true);  // a read-only box only gives its text away
    m_line->selectAll();
    store::EditCommand(store::editCut);
    EXPECT_EQ(clipboard(), " Sub()");
    EXPECT_EQ(m_line->text(), " Sub()");

    focus(m_plain);
    m_plain->setPlainText("line one\nline two");
    m_plain->selectAll();
    store::EditCommand(store::editPaste);
    EXPECT_EQ(m_plain->toPlainText(), " Sub()");

    focus(m_button);
    m_line->setReadOnly(false);
    m_line->selectAll();
    store::EditCommand(store::editCut);
    EXPECT_EQ(m_line->text(), " Sub()");
}

}  // namespace
