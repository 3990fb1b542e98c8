#pragma once

// Copies of library files: the open library to a folder ("Copy To"), optionally repaired and
// compacted first and packed into a zip archive, and any library or archive of one into a folder
// ("Copy From"), optionally synchronised with the open library afterwards. The open library stays
// open while it is read; repaired first, it is replaced, through the document.

#include "store/engine/error.h"
#include "store/status_target.h"

#include <QDialog>
#include <QList>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace controls {
class StatusBar;
class TabStrip;
}  // namespace controls

namespace store {
class MainWindow;
}

class frmDBCopy : public QDialog, public store::StatusTarget {
    Q_OBJECT
public:
    // The entry that stands for the default library folder in the "Copy From" target box.
    static QString defaultFolderEntry();

    explicit frmDBCopy(QWidget* parent = nullptr);

    // Set before Form_Load: the open library's full path and the document that owns it.
    void setCurrentDBPath(const QString& path) { m_currentDBPath = path; }
    QString CurrentDBPath() const { return m_currentDBPath; }
    void setMainWindow(store::MainWindow* main) { m_main = main; }
    // The default library folder: the user's own library folder.
    QString defaultLibraryFolder() const { return m_defaultFolder; }

    // The text, followed by a blank, on the dialog's status bar.
    void StatusBar(const QString& text);
    void setStatusBar(const QString& text) override { StatusBar(text); }
    QString InstanceName() const override;

    void Form_Load();
    void TabStrip1_Click();
    void chkUseWinZip_Click(int index);
    void cboCopyFromSource_Change();
    void cboCopyFromTarget_Change();
    void cmdSelectCopyToTarget_Click();
    void cmdCopyFromSelectSource_Click();
    void cmdCopyFromSelectTarget_Click();
    void cmdGo_Click();
    void cmdClose_Click();
    void cmdHelp_Click();

    controls::TabStrip* TabStrip1;
    QWidget* picContainer[2];
    controls::StatusBar* StatusBar1;
    QPushButton* cmdGo;
    QPushButton* cmdClose;
    QPushButton* cmdHelp;
    QComboBox* cboCopyToTarget;
    QPushButton* cmdSelectCopyToTarget;
    QCheckBox* chkRepairAndCompact;
    QCheckBox* chkUseWinZip[2];
    QComboBox* cboCompression;
    QComboBox* cboCopyFromSource;
    QComboBox* cboCopyFromTarget;
    QPushButton* cmdCopyFromSelectSource;
    QPushButton* cmdCopyFromSelectTarget;
    QCheckBox* chkWinZipOverwrite;
    QCheckBox* chkSyncAfterCopy;

protected:
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CopyTo();
    void CopyFrom();
    // Step 6 of both copies: the failure told, and the error reported when there is one.
    void copyFailed(const engine::Error* error, const QString& location);
    void completed(const QString& message, const QString& target);
    // The check boxes' enabled and checked states, from the source's ending and the archiver boxes.
    void applyOptionRules();
    void saveCopyToSettings();
    void saveCopyFromSettings();
    void setBusy(bool busy);
    // Stores the tab shown and plays the closing sound, once.
    void unload();
    QString syncAfterCopySetting() const;

    store::MainWindow* m_main = nullptr;
    QString m_currentDBPath;
    QString m_defaultFolder;
    QList<QWidget*> m_panels;
    bool m_busy = false;
    bool m_unloaded = false;
};
