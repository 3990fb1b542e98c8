#pragma once

// The warning shown before two libraries exchange their changes. Its answer goes to the dialog that
// showed it: Yes, or No for every other way of closing it.

#include <QDialog>

class QCheckBox;
class QPushButton;
class frmDBSync;

namespace store {
class MainWindow;
}

class frmWarning : public QDialog {
    Q_OBJECT
public:
    explicit frmWarning(QWidget* parent = nullptr);

    void setMainWindow(store::MainWindow* main) { m_main = main; }
    void setParentWindow(frmDBSync* parentWindow) { m_parentWindow = parentWindow; }

    // Run by the caller before showing: the box's state from the setting, and the warning sound.
    void Form_Load();
    void chkShowWarning_Click();
    void cmdYes_Click();
    void cmdNo_Click();
    void cmdHelp_Click();

    QCheckBox* chkShowWarning;
    QPushButton* cmdYes;
    QPushButton* cmdNo;
    QPushButton* cmdHelp;

protected:
    void done(int result) override;

private:
    void answer(int value);

    store::MainWindow* m_main = nullptr;
    frmDBSync* m_parentWindow = nullptr;
    bool m_answered = false;
};
