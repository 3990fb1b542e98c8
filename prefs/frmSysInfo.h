#pragma once

// What the program runs on, for a bug report: the versions of the operating system, Qt, SQLite and
// the program, and the processor architecture.

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

class frmSysInfo : public QDialog {
    Q_OBJECT
public:
    explicit frmSysInfo(QWidget* parent = nullptr);

    // One "name: value" line for each fact.
    static QString SystemInformation();

    void cmdCopy_Click();
    void cmdClose_Click();

    QPlainTextEdit* txtSysInfo;
    QPushButton* cmdCopy;
    QPushButton* cmdClose;
};
