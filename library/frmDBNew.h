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

namespace library {

// Writes the library of a new group at target: a compacted copy of source without categories and
// items, the first member of a new replica set (no history of the rows it was emptied of), its
// System row stamped with guid, created and groupName. Built beside target and moved into place;
// the caller holds the lock on a library that was at target. Throws engine::Error, leaving target
// as it was and no half-made file.
void createGroupLibrary(const QString& source, const QString& target, const QString& guid,
                        const QDateTime& created, const QString& groupName);

}  // namespace library
