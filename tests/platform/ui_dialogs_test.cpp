// The dialog seam beyond message boxes: input boxes, file and folder choosers, modal forms, and the
// old filter strings in Qt's form.

#include "platform/ui.h"

#include <QDialog>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace ui;
using ui::testing::DialogKind;

namespace {

class UiDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::testing::enableRecording();
        ui::testing::clear();
    }
    void TearDown() override { ui::testing::clear(); }
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

}  // namespace
