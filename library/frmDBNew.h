#pragma once

// A new, empty Code Library that starts a new library group: made from the open library (its
// tables, without categories and items), stamped with a new group identity, and opened in its place.

#include <QDateTime>
#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace store {
class MainWindow;
}

class frmDBNew : public QDialog {
    Q_OBJECT
public:
    explicit frmDBNew(QWidget* parent = nullptr);

    // Set before showing: the document whose library the new one is made from.
    void setMainWindow(store::MainWindow* main) { m_main = main; }

    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();

    QLineEdit* txtGroupName;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;
    QPushButton* cmdHelp;

protected:
    // Not while the new library is made (Esc included): its handler is still on the way back here.
    void done(int result) override;

private:
    void enableButtons(bool enabled);

    store::MainWindow* m_main = nullptr;
    bool m_busy = false;
};
