#pragma once

// The preferences: display and behaviour options of the library browser, read from the settings
// when the dialog opens and written on Apply or OK. Options that change the display make the
// browser redraw.

#include <QDialog>
#include <QString>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace controls {
class TabStrip;
}

namespace store {
class MainWindow;
}

class frmProperties : public QDialog {
    Q_OBJECT
public:
    // The placeholder the shared module folder box shows while none is chosen.
    static QString sharedFolderPlaceholder();

    explicit frmProperties(QWidget* parent = nullptr);

    // Set before Form_Load: the browser document the options belong to.
    void setMainWindow(store::MainWindow* main) { m_main = main; }

    void Form_Load();
    void cmdApply_Click();
    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdSelectSharedFolder_Click();
    void TabStrip1_Click();

    controls::TabStrip* TabStrip1;
    QLabel* imgApp;
    QCheckBox* chkDisplayFoldersInListView;
    QCheckBox* chkUseCustomIcons;
    QCheckBox* chkTips;
    QCheckBox* chkDragDropPrompt;
    QCheckBox* chkPlayEventSounds;
    QCheckBox* chkShowWarning;
    QLineEdit* txtSharedFolder;
    QPushButton* cmdSelectSharedFolder;
    QGroupBox* fraMainWindowStartup;
    QRadioButton* optStartupWindowPosition[2];
    QPushButton* cmdOk;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdCancel;

protected:
    void done(int result) override;

private:
    void changed();
    QString instanceApp() const;
    bool isClient() const;

    store::MainWindow* m_main = nullptr;
    QList<QWidget*> m_panels;
    bool m_customIcons = false;
    bool m_folders = true;
    bool m_loading = false;
    bool m_unloaded = false;
};
