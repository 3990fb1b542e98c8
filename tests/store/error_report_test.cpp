#include "store/error_report.h"

#include "tests/store/store_fixture.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace storetest;

namespace {

const QString kMessage = "Error #3078\n\nDescription: \nThe table 'System' does not exist.";
const QString kQuestionEnd = QStringLiteral(
    "\n\nWould you like to send an EMail to Tech Support (support@morvane.org) to report this error?");
class ReportErrorTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        QGuiApplication::clipboard()->setText("untouched");
    }
    static QString clipboard() { return QGuiApplication::clipboard()->text(); }
    const engine::Error m_error{engine::errTableMissing, "The table 'System' does not exist."};
};

TEST_F(ReportErrorTest, NumberZeroShowsNothingAndAnsweringNoSendsNothing) {
    RecordingStatus document("\\(Client)");
    ui::testing::queueAnswer(ui::vbYes);
    store::ReportError(engine::Error(0, QString()), "bCodeLib.DBOpen", &document);
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_TRUE(document.texts.isEmpty());

    ui::testing::clear();
    store::ReportError(m_error);  // no location, no document; the default answer is No
    ASSERT_EQ(boxes().size(), 1);
    expectBox(0, "Morvane Error", kMessage + kQuestionEnd,
              ui::vbYesNo | ui::vbCritical | ui::vbDefaultButton2);
    EXPECT_TRUE(mailLinks.isEmpty());
    EXPECT_EQ(clipboard(), "untouched");
}

TEST_F(ReportErrorTest, YesPutsTheReportOnTheClipboardAndOpensTheMail) {
    struct Case {
        QString instance, location, runningLine, message;
    };
    const Case cases[] = {
        {"\\(VB Add-In)", "bCodeLib.DBOpen",
         "The following Error occured while running the Morvane from the \\(VB Add-In):",
         kMessage + "\n\nOccured in Procedure: 'bCodeLib.DBOpen'"},
        {QString(), QString(), "The following Error occured while running the Morvane:", kMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.runningLine.toStdString());
        ui::testing::clear();
        mailLinks.clear();
        RecordingStatus document(c.instance);
        ui::testing::queueAnswer(ui::vbYes);
        store::ReportError(m_error, c.location, c.instance.isNull() ? nullptr : &document);

        EXPECT_EQ(document.texts, c.instance.isNull()
                                      ? QStringList()
                                      : QStringList{"ERROR: 3078 - The table 'System' does not exist."});
        ASSERT_EQ(boxes().size(), 2);
        EXPECT_EQ(boxes()[0].text, c.message + kQuestionEnd);
        expectBox(
            1, "Bug Report",
            QStringLiteral("The Error Message has been placed in the Windows Clipboard for you to 'paste' "
                           "into the Bug Report EMail.\r\n\r\nAlso, please indicate the steps you took "
                           "that lead up to this error; and other system and personal information."),
            ui::vbOKOnly | ui::vbInformation);
        EXPECT_EQ(mailLinks, QStringList{"mailto: support@morvane.org"});

        // The report: who ran into the error, the message, the version, and room for the user.
        const QStringList lines = clipboard().split(QLatin1Char('\n'));
        EXPECT_EQ(lines.mid(0, 5), (QStringList{"Morvane Bug:", "", c.runningLine, "",
                                                "************************ ERROR ***********************"}));
        EXPECT_TRUE(clipboard().contains(c.message + "\n****"));
        EXPECT_TRUE(lines.contains("Morvane Version: " MRV_VERSION));
        EXPECT_EQ(lines.mid(lines.size() - 8),
                  (QStringList{"Name: ", "EMail: ", "Day Phone: ", "Evening Phone: ", "", "", "", ""}));
    }
}

}  // namespace
