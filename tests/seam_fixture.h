#pragma once

// The one fixture for the recording seams: message boxes, dialogs, sounds and opened addresses are
// recorded, not shown, played or opened; every test starts with none recorded and a folder of its
// own. Fixtures of the upper layers build on it.

#include "base/error.h"
#include "platform/shell.h"
#include "platform/sound.h"
#include "platform/ui.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Failures show texts, not their bytes.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace seamtest {

// The number and description of the error f raised; number 0 when it raised none.
struct Raised {
    int number = 0;
    QString description;
};
template <typename F>
Raised raised(F&& f) {
    try {
        f();
    } catch (const mrv::Error& e) {
        return {e.number(), e.description()};
    }
    return {};
}

class SeamTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::testing::enableRecording();
        sound::testing::enableRecording();
        clearSeams();
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override { clearSeams(); }

    static void clearSeams() {
        ui::testing::clear();
        sound::testing::clear();
        shell::testing::clearOpenedUrls();
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString folder() const { return m_dir.path(); }

    static const QList<ui::testing::ShownBox>& boxes() { return ui::testing::shownBoxes(); }
    static QStringList boxTitles() {
        QStringList titles;
        for (const ui::testing::ShownBox& box : boxes()) titles << box.title;
        return titles;
    }
    // The box at index: its title, text, buttons, icon and default button as a message box style
    // gives them, and whether it came to the foreground.
    static void expectBox(int index, const QString& title, const QString& text, int style,
                          bool foreground = true) {
        ASSERT_LT(index, boxes().size());
        const ui::testing::ShownBox& box = boxes()[index];
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.buttons, style & 7);
        EXPECT_EQ(box.icon, style & 0x70);
        EXPECT_EQ(box.defaultButton, ((style & 0x300) >> 8) + 1);
        EXPECT_EQ(box.foreground, foreground);
    }

    QTemporaryDir m_dir;
};

}  // namespace seamtest
