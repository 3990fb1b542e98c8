#include "prefs/frmTip.h"

#include "store/settings.h"
#include "tests/store/store_fixture.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString kSection = "General Properties";

class TipTest : public storetest::StoreTest {
protected:
    void writeTips(const QByteArray& bytes) {
        QFile file(frmTip::tipFilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    void writeTips(int count) {
        QByteArray bytes;
        for (int i = 1; i <= count; ++i) bytes += "Tip number " + QByteArray::number(i) + "\n";
        writeTips(bytes);
    }
    static QString setting(const QString& key) {
        return store::GetSetting(store::generalAppName(), kSection, key, "(none)");
    }
    static void setCurrentTip(const QString& value) {
        store::SaveSetting(store::generalAppName(), kSection, "Current Tip", value);
    }
    // The tip shown, its number and the beeps so far, as "tip|number|beeps".
    static QString showing(const frmTip& form) {
        EXPECT_EQ(form.lblCurrentTip->text(),
                  form.CurrentTip() ? QString::number(form.CurrentTip()) : QString());
        return QStringLiteral("%1|%2|%3")
            .arg(form.lblTipText->text())
            .arg(form.CurrentTip())
            .arg(form.beepCount());
    }
    static QString tip(int n, int beeps = 0) {
        return QStringLiteral("Tip number %1|%1|%2").arg(n).arg(beeps);
    }
};

TEST_F(TipTest, WithoutTipsTheWindowExplainsAndStepsNowhere) {
    const QString missing = QStringLiteral(
        "That the TIPOFDAY.TXT file was not found? \r\n\r\nCreate a text file named TIPOFDAY.TXT using "
        "NotePad "
        "with 1 tip per line. Then place it in the same directory as the application. ");
    const QString empty = QStringLiteral(
        "The Morvane is a Code Library that runs as an add-in to Visual Basic, or as a standalone "
        "application.");
    for (bool file : {false, true}) {
        SCOPED_TRACE(file);
        if (file) writeTips(QByteArray());
        frmTip form;
        form.cmdNextTip_Click();
        form.cmdPreviousTip_Click();
        EXPECT_EQ(form.lblTipText->text(), file ? empty : missing);
        EXPECT_TRUE(form.lblCurrentTip->text().isEmpty());
        EXPECT_TRUE(form.Tips().isEmpty());
    }
    EXPECT_FALSE(frmTip().LoadTips(QString()));
}

TEST_F(TipTest, LinesAreTakenAsTheyAre) {
    writeTips("first\r\n\r\n  third  \r\nlast without line break");
    EXPECT_EQ(frmTip().Tips(), (QStringList{"first", "", "  third  ", "last without line break"}));
}

TEST_F(TipTest, EachRunShowsTheTipAfterTheLastOneWrappingWithABeep) {
    writeTips(5);
    {
        frmTip first;
        EXPECT_EQ(showing(first), tip(1));
        first.cmdOK_Click();
        EXPECT_EQ(setting("Current Tip"), "1");
    }
    {
        frmTip second;
        EXPECT_EQ(showing(second), tip(2));
        second.cmdNextTip_Click();
    }  // closed with the program: still remembered
    EXPECT_EQ(setting("Current Tip"), "3");
    EXPECT_EQ(showing(frmTip()), tip(4));

    // The last tip stored: the first, with a beep; out of range: the first, silently.
    for (const auto& [stored, shown] : {std::pair{"5", tip(1, 1)}, {"6", tip(1)}, {"-3", tip(1)}}) {
        setCurrentTip(QString::fromLatin1(stored));
        EXPECT_EQ(showing(frmTip()), shown) << stored;
    }
}

TEST_F(TipTest, StepsBeepAtBothEnds) {
    writeTips(3);
    frmTip form;
    const std::pair<void (frmTip::*)(), QString> steps[] = {
        {&frmTip::cmdPreviousTip_Click, tip(1, 1)}, {&frmTip::cmdNextTip_Click, tip(2, 1)},
        {&frmTip::cmdNextTip_Click, tip(3, 1)},     {&frmTip::cmdPreviousTip_Click, tip(2, 1)},
        {&frmTip::cmdNextTip_Click, tip(3, 1)},     {&frmTip::cmdNextTip_Click, tip(1, 2)},
    };
    for (const auto& [step, shown] : steps) {
        (form.*step)();
        EXPECT_EQ(showing(form), shown);
    }
}

TEST_F(TipTest, StartupBoxIsWrittenOnlyByTheUser) {
    writeTips(3);
    {
        frmTip form;
        EXPECT_TRUE(form.chkLoadTipsAtStartup->isChecked());
        EXPECT_EQ(setting("Show Tips at Startup"), "(none)");
        form.chkLoadTipsAtStartup->click();
        EXPECT_EQ(setting("Show Tips at Startup"), "0");
    }
    frmTip again;
    EXPECT_FALSE(again.chkLoadTipsAtStartup->isChecked());
    again.chkLoadTipsAtStartup->click();
    EXPECT_EQ(setting("Show Tips at Startup"), "1");
}

TEST_F(TipTest, TipOMaticStepsOncePerPeriodAndFasterStopsAtOneSecond) {
    writeTips(4);
    frmTip form;
    EXPECT_FALSE(form.fraTipOMatic->isVisibleTo(&form));
    EXPECT_FALSE(form.Timer1->isActive());
    form.chkTipOMatic->click();
    EXPECT_TRUE(form.fraTipOMatic->isVisibleTo(&form) && form.cmdFasterSlower[0]->isVisibleTo(&form));
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 1000);
    const auto bar = [&form] {
        return QStringLiteral("%1/%2 %3")
            .arg(form.pgbTipOMatic->value())
            .arg(form.pgbTipOMatic->maximum())
            .arg(form.lblSeconds->text());
    };
    EXPECT_EQ(bar(), "0/10 10 Secs.");
    for (int tick = 1; tick < frmTip::kDefaultPeriod; ++tick) form.Timer1_Timer();
    EXPECT_EQ(showing(form), tip(1));
    EXPECT_EQ(bar(), "9/10 10 Secs.");
    form.Timer1_Timer();
    EXPECT_EQ(showing(form), tip(2));
    EXPECT_EQ(bar(), "0/10 10 Secs.");

    for (int i = 0; i < 5; ++i) form.Timer1_Timer();
    for (int i = 1; i < frmTip::kDefaultPeriod; ++i) form.cmdFasterSlower_Click(0);
    EXPECT_EQ(form.Period(), 1);
    EXPECT_EQ(form.beepCount(), 0);
    form.cmdFasterSlower_Click(0);
    EXPECT_EQ(form.Period(), 1);
    // A bar cut short starts its round again, and each tick now shows the next tip.
    EXPECT_EQ(bar(), "0/1 1 Secs.");
    form.Timer1_Timer();
    EXPECT_EQ(showing(form), tip(3, 1));
    form.cmdFasterSlower_Click(1);
    form.cmdFasterSlower_Click(1);
    EXPECT_EQ(form.Period(), 3);
    EXPECT_EQ(bar(), "0/3 3 Secs.");

    form.chkTipOMatic->click();
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_FALSE(form.fraTipOMatic->isVisibleTo(&form));
}

// The tips shipped beside the program.
TEST(ShippedTips, EveryLineIsATip) {
    QFile file(QStringLiteral(MRV_TEST_PROGRAM_DIR "/TIPOFDAY.TXT"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(file.readAll());
    ASSERT_TRUE(text.endsWith('\n'));
    text.chop(1);
    const QStringList lines = text.split('\n');
    EXPECT_GE(lines.size(), 30);
    for (const QString& line : lines)
        EXPECT_TRUE(!line.trimmed().isEmpty() && line.size() <= 300) << line.toStdString();
}

}  // namespace
