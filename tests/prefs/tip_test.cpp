#include "prefs/frmTip.h"

#include "platform/ui.h"
#include "store/paths.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kSection = QStringLiteral("General Properties");
const QString kDesignText = QStringLiteral(
    "The Morvane is a Code Library that runs as an add-in to Visual Basic, or as a standalone application.");

class TipTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::testing::enableRecording();
        ui::testing::clear();
        ASSERT_TRUE(m_dir.isValid());
        store::setProgramFolder(m_dir.path());
    }
    void TearDown() override { store::setProgramFolder(QString()); }

    void writeTips(const QByteArray& bytes) {
        QFile file(m_dir.filePath(QStringLiteral("TIPOFDAY.TXT")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    void writeTips(int count) {
        QByteArray bytes;
        for (int i = 1; i <= count; ++i) bytes += "Tip number " + QByteArray::number(i) + "\n";
        writeTips(bytes);
    }
    static QString setting(const QString& key) {
        return store::GetSetting(store::generalAppName(), kSection, key, QStringLiteral("(none)"));
    }
    static void expectShowing(const frmTip& form, int tip) {
        EXPECT_EQ(form.CurrentTip(), tip);
        EXPECT_EQ(form.lblTipText->text(), QStringLiteral("Tip number %1").arg(tip));
        EXPECT_EQ(form.lblCurrentTip->text(), QString::number(tip));
    }

    QTemporaryDir m_dir;
};

TEST_F(TipTest, WithoutTipFileTheWindowExplains) {
    frmTip form;
    EXPECT_EQ(form.objectName(), QStringLiteral("frmTip"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Morvane- Tip of the Day"));
    const QString explanation = QStringLiteral(
        "That the TIPOFDAY.TXT file was not found? \r\n\r\nCreate a text file named TIPOFDAY.TXT using "
        "NotePad "
        "with 1 tip per line. Then place it in the same directory as the application. ");
    EXPECT_EQ(form.lblTipText->text(), explanation);
    form.cmdNextTip_Click();
    form.cmdPreviousTip_Click();
    EXPECT_EQ(form.lblTipText->text(), explanation);
    EXPECT_TRUE(form.lblCurrentTip->text().isEmpty());
    EXPECT_FALSE(form.LoadTips(QString()));
}

TEST_F(TipTest, EmptyTipFileShowsNoTip) {
    writeTips(QByteArray());
    frmTip form;
    EXPECT_TRUE(form.Tips().isEmpty());
    EXPECT_EQ(form.lblTipText->text(), kDesignText);
    form.cmdNextTip_Click();
    form.cmdPreviousTip_Click();
    EXPECT_EQ(form.lblTipText->text(), kDesignText);
    EXPECT_TRUE(form.lblCurrentTip->text().isEmpty());
}

TEST_F(TipTest, LinesAreTakenAsTheyAre) {
    writeTips("first\r\n\r\n  third  \r\nlast without line break");
    frmTip form;
    EXPECT_EQ(form.Tips(), (QStringList{"first", "", "  third  ", "last without line break"}));
}

TEST_F(TipTest, EachRunShowsTheTipAfterTheLastOne) {
    writeTips(5);
    {
        frmTip first;
        expectShowing(first, 1);
        EXPECT_EQ(first.beepCount(), 0);
        first.cmdOK_Click();
        EXPECT_EQ(setting(QStringLiteral("Current Tip")), QStringLiteral("1"));
    }
    {
        frmTip second;
        expectShowing(second, 2);
        second.cmdNextTip_Click();
    }  // closed with the program: still remembered
    EXPECT_EQ(setting(QStringLiteral("Current Tip")), QStringLiteral("3"));
    frmTip third;
    expectShowing(third, 4);
}

TEST_F(TipTest, StoredLastTipWrapsToTheFirstWithABeep) {
    writeTips(5);
    store::SaveSetting(store::generalAppName(), kSection, QStringLiteral("Current Tip"), QStringLiteral("5"));
    frmTip form;
    expectShowing(form, 1);
    EXPECT_EQ(form.beepCount(), 1);
}

TEST_F(TipTest, StoredIndexOutOfRangeStartsAtTheFirst) {
    writeTips(5);
    for (const char* stored : {"6", "-3"}) {
        store::SaveSetting(store::generalAppName(), kSection, QStringLiteral("Current Tip"), stored);
        frmTip form;
        expectShowing(form, 1);
        EXPECT_EQ(form.beepCount(), 0) << stored;
    }
}

TEST_F(TipTest, StepsBeepAtBothEnds) {
    writeTips(3);
    frmTip form;
    form.cmdPreviousTip_Click();
    expectShowing(form, 1);
    EXPECT_EQ(form.beepCount(), 1);
    form.cmdNextTip_Click();
    form.cmdNextTip_Click();
    expectShowing(form, 3);
    form.cmdPreviousTip_Click();
    expectShowing(form, 2);
    form.cmdNextTip_Click();
    form.cmdNextTip_Click();
    expectShowing(form, 1);
    EXPECT_EQ(form.beepCount(), 2);
}

TEST_F(TipTest, StartupBoxIsWrittenOnlyByTheUser) {
    writeTips(3);
    {
        frmTip form;
        EXPECT_TRUE(form.chkLoadTipsAtStartup->isChecked());
        EXPECT_EQ(form.chkLoadTipsAtStartup->text(), QStringLiteral("&Show Tips at Startup"));
        EXPECT_EQ(setting(QStringLiteral("Show Tips at Startup")), QStringLiteral("(none)"));
        form.chkLoadTipsAtStartup->click();
        EXPECT_EQ(setting(QStringLiteral("Show Tips at Startup")), QStringLiteral("0"));
    }
    frmTip again;
    EXPECT_FALSE(again.chkLoadTipsAtStartup->isChecked());
    again.chkLoadTipsAtStartup->click();
    EXPECT_EQ(setting(QStringLiteral("Show Tips at Startup")), QStringLiteral("1"));
}

TEST_F(TipTest, TipOMaticStepsOncePerPeriod) {
    writeTips(4);
    frmTip form;
    EXPECT_FALSE(form.fraTipOMatic->isVisibleTo(&form));
    EXPECT_FALSE(form.Timer1->isActive());

    form.chkTipOMatic->click();
    EXPECT_TRUE(form.fraTipOMatic->isVisibleTo(&form));
    EXPECT_TRUE(form.cmdFasterSlower[0]->isVisibleTo(&form));
    EXPECT_TRUE(form.lblSeconds->isVisibleTo(&form));
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 1000);
    EXPECT_EQ(form.pgbTipOMatic->maximum(), frmTip::kDefaultPeriod);
    EXPECT_EQ(form.pgbTipOMatic->value(), 0);
    EXPECT_EQ(form.lblSeconds->text(), QString::number(frmTip::kDefaultPeriod) + " Secs.");

    for (int tick = 1; tick < frmTip::kDefaultPeriod; ++tick) form.Timer1_Timer();
    expectShowing(form, 1);
    EXPECT_EQ(form.pgbTipOMatic->value(), frmTip::kDefaultPeriod - 1);
    form.Timer1_Timer();
    expectShowing(form, 2);
    EXPECT_EQ(form.pgbTipOMatic->value(), 0);

    form.chkTipOMatic->click();
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_FALSE(form.fraTipOMatic->isVisibleTo(&form));
}

TEST_F(TipTest, FasterStopsAtOneSecond) {
    writeTips(4);
    frmTip form;
    form.chkTipOMatic->click();
    for (int i = 0; i < 5; ++i) form.Timer1_Timer();
    for (int i = 1; i < frmTip::kDefaultPeriod; ++i) form.cmdFasterSlower_Click(0);
    EXPECT_EQ(form.Period(), 1);
    EXPECT_EQ(form.beepCount(), 0);
    form.cmdFasterSlower_Click(0);
    EXPECT_EQ(form.Period(), 1);
    EXPECT_EQ(form.beepCount(), 1);
    EXPECT_EQ(form.lblSeconds->text(), QStringLiteral("1 Secs."));
    EXPECT_EQ(form.pgbTipOMatic->maximum(), 1);
    EXPECT_TRUE(form.Timer1->isActive());
    // A bar cut short starts its round again, and each tick now shows the next tip.
    EXPECT_EQ(form.pgbTipOMatic->value(), 0);
    form.Timer1_Timer();
    expectShowing(form, 2);

    form.cmdFasterSlower_Click(1);
    form.cmdFasterSlower_Click(1);
    EXPECT_EQ(form.Period(), 3);
    EXPECT_EQ(form.lblSeconds->text(), QStringLiteral("3 Secs."));
    EXPECT_EQ(form.pgbTipOMatic->maximum(), 3);
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
    for (const QString& line : lines) {
        EXPECT_FALSE(line.trimmed().isEmpty());
        EXPECT_LE(line.size(), 300) << line.toStdString();
    }
}

}  // namespace
