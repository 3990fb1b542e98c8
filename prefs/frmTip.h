#pragma once

// The tip of the day: one line of advice at a time from the tip file beside the program, the last
// one shown remembered between runs, and "Tip-O-Matic" to step through them by itself.

#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QFrame;
class QLabel;
class QLayout;
class QProgressBar;
class QPushButton;
class QTimer;

class frmTip : public QDialog {
    Q_OBJECT
public:
    // The period Tip-O-Matic starts with, in seconds.
    static constexpr int kDefaultPeriod = 10;

    explicit frmTip(QWidget* parent = nullptr);
    ~frmTip() override;

    // program folder + "/TIPOFDAY.TXT"
    static QString tipFilePath();

    // Reads the tips of path, one a line, and shows the first; false when there is no such file.
    bool LoadTips(const QString& path);
    void DisplayCurrentTip();

    void Form_Load();
    void Form_Unload();
    void cmdNextTip_Click();
    void cmdPreviousTip_Click();
    void cmdOK_Click();
    void chkLoadTipsAtStartup_Click();
    void chkTipOMatic_Click();
    // 0 faster, 1 slower.
    void cmdFasterSlower_Click(int index);
    void Timer1_Timer();

    const QStringList& Tips() const { return m_tips; }
    int CurrentTip() const { return m_currentTip; }
    int Period() const { return m_period; }
    // How often the window beeped: at the ends of the list and at the fastest period.
    int beepCount() const { return m_beeps; }

    QLabel* lblTipText;
    QLabel* lblCurrentTip;
    QPushButton* cmdNextTip;
    QPushButton* cmdPreviousTip;
    QPushButton* cmdOK;
    QCheckBox* chkLoadTipsAtStartup;
    QCheckBox* chkTipOMatic;
    QFrame* fraTipOMatic;
    QProgressBar* pgbTipOMatic;
    QLabel* lblSeconds;
    QPushButton* cmdFasterSlower[2];
    QTimer* Timer1;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The steps of building the window.
    QFrame* createTipPanel();
    QLayout* createButtons();
    void createTipOMatic();
    void layOut(QFrame* panel, QLayout* buttons);
    void connectHandlers();

    void DoNextTip();
    void beep();

    QLabel* m_tipCaption;
    QStringList m_tips;
    int m_currentTip = 0;
    int m_period = kDefaultPeriod;
    int m_beeps = 0;
    bool m_loading = false;
    bool m_unloaded = false;
};
