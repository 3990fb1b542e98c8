// The dialog seam beyond message boxes: input boxes, file and folder choosers, modal forms, the old
// filter strings in Qt's form, and the backends that show it all when nothing records.

#include "platform/ui.h"
#include "platform/ui_console.h"
#include "platform/ui_widgets.h"
#include "tests/seam_fixture.h"

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ui;
using ui::testing::DialogKind;

namespace {

class UiDialogsTest : public seamtest::SeamTest {
protected:
    static const QList<ui::testing::ShownDialog>& dialogs() { return ui::testing::shownDialogs(); }
};

TEST(QtNameFilters, OldFiltersBecomeQtFiltersWithTheRealPatterns) {
    EXPECT_EQ(
        qtNameFilters("All Code Libraries (*.mdb;*.zip)|*.mdb;*.zip|Normal Code Libraries (*.mdb)|*.mdb|"
                      "All Files (*.*)|*.*|"),
        (QStringList{"All Code Libraries (*.mdb *.zip)", "Normal Code Libraries (*.mdb)", "All Files (*)"}));
    // Qt reads the patterns from the description, so those it shows must be the ones that apply.
    EXPECT_EQ(qtNameFilters("Icons (*.ico)|*.ico; *.bmp"), QStringList{"Icons (*.ico *.bmp)"});
    EXPECT_EQ(qtNameFilters("Text files|*.txt|Anything"),
              (QStringList{"Text files (*.txt)", "Anything (*)"}));
    EXPECT_EQ(qtNameFilters(""), QStringList());
}

TEST_F(UiDialogsTest, ChoosersAndInputBoxesAreRecordedAndAnsweredFromTheScript) {
    const QString filter = "Access (*.mdb)|*.mdb|All Files (*.*)|*.*|";
    ui::testing::queueFileName("/tmp/NewCodeLib.mdb");
    int chosen = 0;
    EXPECT_EQ(GetSaveFileName(nullptr, "Create New Code Library Database?", filter, 1, "/data/libs",
                              "NewCodeLib.mdb", &chosen),
              "/tmp/NewCodeLib.mdb");
    EXPECT_EQ(chosen, 1);
    // Unscripted choosers are cancelled; a filter index out of range selects the first filter.
    EXPECT_EQ(GetOpenFileName(nullptr, "Select Code Library...", filter, 7, QString(), QString(), &chosen),
              QString());
    EXPECT_EQ(chosen, 1);
    ui::testing::queueFolder("/media/usb");
    EXPECT_EQ(BrowseForFolder(nullptr, "Select the Target Folder:"), "/media/usb");
    EXPECT_EQ(BrowseForFolder(nullptr, "Select the Target Folder:"), QString());
    ui::testing::queueInputText("/opt/MRVDocument.vbd");
    EXPECT_EQ(InputBox("Enter ActiveX UserDocument Path and Filename:", "Enter Document Path", "C:\\"),
              "/opt/MRVDocument.vbd");
    EXPECT_EQ(InputBox("Again?", "Enter Document Path", "C:\\"), QString());

    ASSERT_EQ(dialogs().size(), 6);
    const ui::testing::ShownDialog& save = dialogs()[0];
    EXPECT_EQ(save.kind, DialogKind::SaveFile);
    EXPECT_EQ(save.title, "Create New Code Library Database?");
    EXPECT_EQ(save.filters, (QStringList{"Access (*.mdb)", "All Files (*)"}));
    EXPECT_EQ(save.filterIndex, 1);
    EXPECT_EQ(save.initialDir, "/data/libs");
    EXPECT_EQ(save.defaultText, "NewCodeLib.mdb");
    EXPECT_EQ(dialogs()[1].kind, DialogKind::OpenFile);
    EXPECT_EQ(dialogs()[2].kind, DialogKind::Folder);
    EXPECT_EQ(dialogs()[2].title, "Select the Target Folder:");
    EXPECT_EQ(dialogs()[4].kind, DialogKind::InputBox);
    EXPECT_EQ(dialogs()[4].text, "Enter ActiveX UserDocument Path and Filename:");
    EXPECT_EQ(dialogs()[4].defaultText, "C:\\");
}

TEST_F(UiDialogsTest, ModalFormsRunTheirHandlerByObjectName) {
    QDialog form;
    form.setObjectName("frmDBList");
    form.setWindowTitle(" Select Code Library...");
    QObject::connect(new QPushButton("OK", &form), &QPushButton::clicked, &form, &QDialog::accept);
    ui::testing::setFormHandler("frmDBList", [](QWidget* shown) {
        shown->findChild<QPushButton*>()->click();
        return static_cast<QDialog*>(shown)->result();
    });
    EXPECT_EQ(ShowFormModal(&form), QDialog::Accepted);
    QDialog other;
    other.setObjectName("frmTip");
    EXPECT_EQ(ShowFormModal(&other), 0);  // no handler: closed at once
    ui::testing::setFormHandler("frmDBList", {});
    form.setResult(QDialog::Accepted);
    EXPECT_EQ(ShowFormModal(&form), 0);

    ASSERT_EQ(dialogs().size(), 3);
    EXPECT_EQ(dialogs()[0].kind, DialogKind::Form);
    EXPECT_EQ(dialogs()[0].text, "frmDBList");
    EXPECT_EQ(dialogs()[0].title, " Select Code Library...");
    EXPECT_EQ(dialogs()[1].text, "frmTip");
}

// A backend at work: recording off for the test, back on (with the console backend) after it.
class BackendTest : public ::testing::Test {
protected:
    void SetUp() override { ui::testing::disableRecording(); }
    void TearDown() override {
        ui::setBackend(nullptr);
        ui::testing::enableRecording();
    }
};

// A program without a display: every box on standard error, questions answered as the program was
// told or refused with the button that changes nothing, never guessed.
TEST_F(BackendTest, ConsoleWritesEveryBoxAndRefusesWhatNobodyAnswered) {
    const struct {
        int buttons, refused, yes, no;
    } cases[] = {
        {vbOKOnly, vbOK, vbOK, vbOK},
        {vbYesNo, vbNo, vbYes, vbNo},
        {vbYesNoCancel, vbCancel, vbYes, vbNo},
        {vbOKCancel, vbCancel, vbOK, vbCancel},
        {vbRetryCancel, vbCancel, vbRetry, vbCancel},
        {vbAbortRetryIgnore, vbAbort, vbRetry, vbAbort},
    };
    using Answer = ConsoleBackend::Answer;
    for (const Answer given : {Answer::Refuse, Answer::Yes, Answer::No}) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        auto owned = std::make_unique<ConsoleBackend>(given, &out);
        const ConsoleBackend* console = owned.get();
        ui::setBackend(std::move(owned));
        for (const auto& c : cases) {
            const int expected = given == Answer::Refuse ? c.refused : given == Answer::Yes ? c.yes : c.no;
            // The default button is no answer: Yes stays refused.
            EXPECT_EQ(MsgBox("Replace it?", c.buttons | vbQuestion, "Confirm"), expected) << c.buttons;
        }
        EXPECT_EQ(InputBox("Path:", "Enter Document Path", "C:\\"), QString());
        EXPECT_EQ(GetOpenFileName(nullptr, "Select Code Library...", "All (*.*)|*.*|"), QString());
        EXPECT_EQ(console->refusals(), (given == Answer::Refuse ? 5 : 0) + 2);
        const QString text = QString::fromUtf8(out.data());
        EXPECT_TRUE(text.startsWith("Confirm: Replace it?\n")) << text.toStdString();
        EXPECT_TRUE(text.contains("Enter Document Path: Path:\n  (refused")) << text.toStdString();
    }
}

// The desktop's message box is wide enough for its title, which the window manager would cut.
TEST_F(BackendTest, WidgetBoxesAreWideEnoughForTheirTitle) {
    ui::installWidgetsBackend();
    int width = 0, title = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        width = box->width();
        title = box->fontMetrics().horizontalAdvance(box->windowTitle());
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(MsgBox("Go on?", vbYesNo | vbQuestion, "Repair and Compact the Code Library Now?"), vbNo);
    EXPECT_GT(width, title + 100);
}

}  // namespace
