#pragma once

// The item editor: one text or code item, or one web shortcut, of the open library, in a window of
// its own beside the browser. The opener sets ProcKey (0 for a new item), CodeType, Code and
// MainWindow in that order, then calls Form_Load and shows it. The editor keeps no library handle:
// it borrows the document's for each read and write, and lets the document know when a library
// replacement would lose its unsaved text.

#include "store/main_window.h"

#include <QMainWindow>
#include <QString>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace toolbar {
class Bar;
}

class frmProcEdit : public QMainWindow, public store::LibraryUser {
    Q_OBJECT
public:
    // A window of its own (owned by parent, which is normally the document), deleted once closed.
    explicit frmProcEdit(QWidget* parent = nullptr);
    ~frmProcEdit() override;

    qint64 ProcKey() const { return m_procKey; }
    void setProcKey(qint64 key) { m_procKey = key; }
    QString CodeType() const { return m_codeType; }
    void setCodeType(const QString& type) { m_codeType = type; }
    // A new item's first text: its code, or a web shortcut's address.
    void setCode(const QString& code) { m_code = code; }
    void setMainWindow(store::MainWindow* main);
    store::MainWindow* MainWindow() const { return m_main; }

    void Form_Load();
    void ProcLoad();
    // Checks and writes the item; false (after saying why) when nothing was written.
    bool ProcSave();
    // The name of the procedure the code declares: the word before the first "(", and the word before
    // that one; both empty when the code has no "(".
    static void ParseProcName(const QString& code, QString& name, QString& previousWord);
    void ActiveBar1_ToolClick(const QString& toolName);
    void cboCategory_Change();
    // Whether the window may close: asks about unsaved changes. Cancel, or a save that fails, keep it.
    bool Form_QueryUnload();

    // The user changed a text box since the last load or save.
    bool changed() const { return m_changed; }

    // store::LibraryUser
    bool libraryClosing() override;
    void libraryReopened(bool sameLibrary) override;

    QLabel* lblName;
    QLabel* lblDescription;
    QLabel* imgType;
    QLineEdit* txtProcName;
    QPlainTextEdit* txtProcDesc;
    QPlainTextEdit* txtProcCode;
    toolbar::Bar* ActiveBar1;
    // The category box: the combo of the tool "BTN_CATEGORY" in the band "Standard".
    QComboBox* cboCategory = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createToolbar();
    void hideCodeBox();
    // Asks the unsaved-changes question: Yes saves; the answer, or vbCancel when a save failed.
    int askToSave();
    void textChanged();
    engine::Database* library() const;

    store::MainWindow* m_main = nullptr;
    QString m_instanceName;
    qint64 m_procKey = 0;
    qint64 m_itemCatKey = 0;
    QString m_codeType;
    QString m_code;
    std::vector<qint64> m_catKeys;
    bool m_changed = false;
    bool m_loading = false;
    bool m_unloaded = false;
};
