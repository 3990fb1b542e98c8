#pragma once

// Synchronisation of the open library with another member of its library group: the other library
// is picked from the list (or given by the caller), checked to be of the same group, and the two
// exchange their changes in the chosen direction, optionally after backing the files up.

#include <QDialog>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace controls {
class StatusBar;
}

namespace store {
class MainWindow;
}

class frmDBSync : public QDialog {
    Q_OBJECT
public:
    explicit frmDBSync(QWidget* parent = nullptr);

    // Set before Form_Load: the document whose library is synchronised.
    void setMainWindow(store::MainWindow* main) { m_main = main; }
    // When not empty, the other library is fixed to it.
    void setSyncDBFilename(const QString& path) { m_syncDBFilename = path; }
    QString SyncDBFilename() const { return m_syncDBFilename; }
    // Written by frmWarning: 6 Yes, 7 No.
    int WarningAnswer() const { return m_warningAnswer; }
    void setWarningAnswer(int answer) { m_warningAnswer = answer; }

    void Form_Load();
    void cmdSelectDB1_Click();
    void cmdSync_Click();
    void cmdClose_Click();
    void cmdHelp_Click();
    // Whether the library at path may be synchronised with the open one: not the open file itself,
    // a Code Library, and of the same library group. Tells the user why not.
    bool DBOkForSync(const QString& path);

    QLineEdit* txtDB1;
    QPushButton* cmdSelectDB1;
    QLabel* lblGroupName;
    QLabel* lblCreatedDate;
    QGroupBox* fraSync;
    QRadioButton* optSyncOptions[3];
    QCheckBox* chkBackup;
    QPushButton* cmdSync;
    QPushButton* cmdClose;
    QPushButton* cmdHelp;
    controls::StatusBar* StatusBar1;

protected:
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void status(const QString& text);
    QString instanceApp() const;
    void sameLibraryMessage();
    // The open library's System row: its group identity and name.
    void readOpenGroup(QString& guid, QString& name) const;
    // The exchange itself, with the library closed: backups, then the engine's synchronisation.
    bool exchange(const QString& path, const QString& other, int option);

    store::MainWindow* m_main = nullptr;
    QString m_syncDBFilename;
    int m_warningAnswer = 0;
    bool m_busy = false;
};
