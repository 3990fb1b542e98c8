#pragma once

// The about window: the program's version, what it is, the maker's web site and a way to the
// system information.

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // "Version " + major.minor.revision
    static QString versionText();
    // The program's picture: the MRV icon when the resources hold it, else one drawn here.
    static QPixmap programPicture(int size);

    void cmdOK_Click();
    void cmdSysInfo_Click();
    void lblWebSite_Click();

    QLabel* imgApp;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QLabel* lblWebSite;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;
};
