#include "store/error_report.h"

#include "tests/store/store_fixture.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace storetest;

namespace {

const QString kQuestionEnd = QStringLiteral(
    "\n\nWould you like to send an EMail to Tech Support (support@morvane.org) to report this error?");

class ReportErrorTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    }
    static QString clipboard() { return QGuiApplication::clipboard()->text(); }
    const engine::Error m_error{engine::errTableMissing,
                                QStringLiteral("The table 'System' does not exist.")};
};

TEST_F(ReportErrorTest, ErrorNumberZeroDoesNothing) {
    RecordingStatus document(QStringLiteral("\\(Client)"));
    ui::testing::queueAnswer(ui::vbYes);
    store::ReportError(engine::Error(0, QString()), QStringLiteral("bCodeLib.DBOpen"), &document);
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_TRUE(document.texts.isEmpty());
    EXPECT_TRUE(mailLinks.isEmpty());
    EXPECT_EQ(clipboard(), QStringLiteral("untouched"));
}

TEST_F(ReportErrorTest, QuestionWithoutLocationAnsweredNoReportsNothing) {
    store::ReportError(m_error);
    ASSERT_EQ(boxes().size(), 1);
    const ui::testing::ShownBox& box = boxes()[0];
    EXPECT_EQ(box.title, QStringLiteral("Morvane Error"));
    EXPECT_EQ(box.text, QStringLiteral("Error #3078\n\nDescription: \nThe table 'System' does not exist.") +
                            kQuestionEnd);
    EXPECT_EQ(box.buttons, ui::vbYesNo);
    EXPECT_EQ(box.defaultButton, 2);
    EXPECT_EQ(box.icon, ui::vbCritical);
    EXPECT_TRUE(box.foreground);
    EXPECT_TRUE(mailLinks.isEmpty());
    EXPECT_EQ(clipboard(), QStringLiteral("untouched"));
}

TEST_F(ReportErrorTest, ReportFromTheAddInGoesToClipboardAndMail) {
    RecordingStatus document(QStringLiteral("\\(VB Add-In)"));
    ui::testing::queueAnswer(ui::vbYes);
    store::ReportError(m_error, QStringLiteral("bCodeLib.DBOpen"), &document);

    EXPECT_EQ(document.texts,
              QStringList{QStringLiteral("ERROR: 3078 - The table 'System' does not exist.")});
    ASSERT_EQ(boxes().size(), 2);
    const QString errorMessage = QStringLiteral(
        "Error #3078\n\nDescription: \nThe table 'System' does not exist.\n\nOccured in Procedure: "
        "'bCodeLib.DBOpen'");
    EXPECT_EQ(boxes()[0].text, errorMessage + kQuestionEnd);
    EXPECT_EQ(boxes()[1].title, QStringLiteral("Bug Report"));
    EXPECT_EQ(boxes()[1].text,
              QStringLiteral(
                  "The Error Message has been placed in the Windows Clipboard for you to 'paste' into the "
                  "Bug Report EMail.\r\n\r\nAlso, please indicate the steps you took that lead up to this "
                  "error; and other system and personal information."));
    EXPECT_EQ(boxes()[1].buttons, ui::vbOKOnly);
    EXPECT_EQ(boxes()[1].icon, ui::vbInformation);
    EXPECT_TRUE(boxes()[1].foreground);
    EXPECT_EQ(mailLinks, QStringList{QStringLiteral("mailto: support@morvane.org")});

    const QStringList lines = clipboard().split(QLatin1Char('\n'));
    const QStringList expected =
        QStringList{
            QStringLiteral("Morvane Bug:"), QString(),
            QStringLiteral("The following Error occured while running the Morvane from the \\(VB Add-In):"),
            QString(), QStringLiteral("************************ ERROR ***********************")} +
        errorMessage.split(QLatin1Char('\n')) +
        QStringList{QStringLiteral("******************************************************"),
                    QString(),
                    QStringLiteral("Morvane Version: ") + QStringLiteral(MRV_VERSION),
                    QString(),
                    QStringLiteral("--(1)-- Please 'Describe the Events' that lead up to this error: -----"),
                    QString(),
                    QString(),
                    QString(),
                    QStringLiteral("--(2)-- Please Enter your 'Computer Information' below: -----"),
                    QStringLiteral("Operating System/Version: "),
                    QStringLiteral("Browser/Version: "),
                    QStringLiteral("CPU: "),
                    QStringLiteral("Memory: "),
                    QString(),
                    QString(),
                    QStringLiteral("--(3)-- Please Enter your 'Contact Information' below: -----"),
                    QStringLiteral("Name: "),
                    QStringLiteral("EMail: "),
                    QStringLiteral("Day Phone: "),
                    QStringLiteral("Evening Phone: "),
                    QString(),
                    QString(),
                    QString(),
                    QString()};
    EXPECT_EQ(lines, expected);
}

TEST_F(ReportErrorTest, ReportWithoutDocumentOrLocation) {
    ui::testing::queueAnswer(ui::vbYes);
    store::ReportError(m_error);
    const QStringList lines = clipboard().split(QLatin1Char('\n'));
    ASSERT_GT(lines.size(), 10);
    EXPECT_EQ(lines[2], QStringLiteral("The following Error occured while running the Morvane:"));
    // The error message ends with the description.
    EXPECT_EQ(lines[8], QStringLiteral("The table 'System' does not exist."));
    EXPECT_EQ(lines[9], QStringLiteral("******************************************************"));
    EXPECT_EQ(mailLinks.size(), 1);
}

}  // namespace
