#pragma once

// The find dialog: items by a text in chosen fields or by the date they were last changed. It
// builds one statement and hands it to the browser document, which lists the result; it stays open
// so that the search can be refined, and remembers the fields and the last 20 texts searched for.

#include "store/search_sql.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QPushButton;

namespace controls {
class TabStrip;
}
namespace store {
class MainWindow;
}

class frmProcFind : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHistorySize = 20;

    explicit frmProcFind(QWidget* parent = nullptr);
    ~frmProcFind() override;

    store::MainWindow* MainWindow() const { return m_mainWindow; }
    void setMainWindow(store::MainWindow* document) { m_mainWindow = document; }

    // The check boxes and the history from the settings, the last month in the date pickers.
    void Form_Load();
    void cmdFindNow_Click();
    void cmdCancel_Click();
    void TabStrip_Click();

    // The statement of the selected tab, as Find Now would hand it over.
    QString searchStatement() const;

    controls::TabStrip* TabStrip;
    QFrame* picContainer[2];
    QComboBox* cboFind;
    QGroupBox* fraSearch;
    QCheckBox* chkCatNames;
    QCheckBox* chkProcNames;
    QCheckBox* chkProcDesc;
    QCheckBox* chkProcCode;
    QDateEdit* dtpFrom;
    QDateEdit* dtpTo;
    QPushButton* cmdFindNow;
    QPushButton* cmdCancel;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    store::SearchFields fields() const;
    void saveHistory(const QString& text);
    void handOver(const QString& sql);

    store::MainWindow* m_mainWindow = nullptr;
};
