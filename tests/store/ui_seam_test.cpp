// The message-box seam every store test relies on.

#include "platform/ui.h"

#include <gtest/gtest.h>

namespace {

TEST(MsgBoxSeam, UnscriptedBoxesTakeTheirDefaultButtonScriptedOnesTheScript) {
    ui::testing::enableRecording();
    ui::testing::clear();
    const std::pair<int, int> defaults[] = {
        {ui::vbOKOnly, ui::vbOK},
        {ui::vbOKCancel | ui::vbDefaultButton2, ui::vbCancel},
        {ui::vbAbortRetryIgnore | ui::vbDefaultButton3, ui::vbIgnore},
        {ui::vbYesNoCancel | ui::vbDefaultButton2, ui::vbNo},
        {ui::vbYesNo, ui::vbYes},
        {ui::vbRetryCancel, ui::vbRetry},
        {ui::vbYesNo | ui::vbDefaultButton3, ui::vbYes},  // no third button: the first
    };
    for (const auto& [style, answer] : defaults)
        EXPECT_EQ(ui::MsgBox(QStringLiteral("?"), style), answer) << style;

    ui::testing::queueAnswer(ui::vbNo);
    ui::testing::queueAnswer(ui::vbCancel);
    EXPECT_EQ(ui::MsgBox(QStringLiteral("a"), ui::vbYesNo), ui::vbNo);
    EXPECT_EQ(ui::MsgBox(QStringLiteral("b"), ui::vbOKCancel), ui::vbCancel);
    EXPECT_EQ(ui::MsgBox(QStringLiteral("c"), ui::vbOKCancel), ui::vbOK);
    EXPECT_EQ(ui::testing::shownBoxes().size(), std::size(defaults) + 3);

    ui::testing::queueAnswer(ui::vbNo);
    ui::testing::clear();
    EXPECT_TRUE(ui::testing::shownBoxes().isEmpty());
    EXPECT_EQ(ui::MsgBox(QStringLiteral("after clear"), ui::vbYesNo), ui::vbYes);
    ui::testing::clear();
}

}  // namespace
