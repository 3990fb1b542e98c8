#include "editor/frmProcEdit.h"

#include "platform/toolbar.h"
#include "platform/twips.h"
#include "platform/ui.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/settings.h"
#include "store/startup.h"
#include "store/window_settings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QFontDatabase>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopedValueRollback>

namespace {

const QString kTextCode = QStringLiteral("Text/Code");
const QString kWebSite = QStringLiteral("WebSite");
const QString kOops = QStringLiteral("Oops!");
constexpr int kOopsStyle = ui::vbOKOnly | ui::vbExclamation | ui::vbMsgBoxSetForeground;

// Blanks only, as the old Trim: line breaks stay for the loop that cuts them.
QString trimBlanks(const QString& text) {
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] == QLatin1Char(' ')) ++first;
    while (last > first && text[last - 1] == QLatin1Char(' ')) --last;
    return text.mid(first, last - first);
}

}  // namespace

frmProcEdit::frmProcEdit(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmProcEdit"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Procedure"));

    auto* content = new QWidget(this);
    lblName = new QLabel(QStringLiteral("Name:"), content);
    lblName->setObjectName(QStringLiteral("lblName"));
    lblDescription = new QLabel(QStringLiteral("Description:"), content);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    imgType = new QLabel(content);
    imgType->setObjectName(QStringLiteral("imgType"));
    imgType->setFixedSize(36, 36);
    imgType->setAlignment(Qt::AlignCenter);
    txtProcName = new QLineEdit(content);
    txtProcName->setObjectName(QStringLiteral("txtProcName"));
    txtProcDesc = new QPlainTextEdit(content);
    txtProcDesc->setObjectName(QStringLiteral("txtProcDesc"));
    txtProcDesc->setTabChangesFocus(true);
    txtProcDesc->setFixedHeight(txtProcName->sizeHint().height() * 2 + 8);
    txtProcCode = new QPlainTextEdit(content);
    txtProcCode->setObjectName(QStringLiteral("txtProcCode"));
    txtProcCode->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtProcCode->setLineWrapMode(QPlainTextEdit::NoWrap);
    for (QLabel* label : {lblName, lblDescription}) label->setBuddy(label == lblName ? txtProcName : nullptr);

    auto* grid = new QGridLayout(content);
    grid->addWidget(imgType, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lblName, 0, 1);
    grid->addWidget(txtProcName, 0, 2);
    grid->addWidget(lblDescription, 1, 1, Qt::AlignTop);
    grid->addWidget(txtProcDesc, 1, 2);
    grid->addWidget(txtProcCode, 2, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);
    setCentralWidget(content);

    createToolbar();
    connect(txtProcName, &QLineEdit::textChanged, this, &frmProcEdit::textChanged);
    connect(txtProcDesc, &QPlainTextEdit::textChanged, this, &frmProcEdit::textChanged);
    connect(txtProcCode, &QPlainTextEdit::textChanged, this, &frmProcEdit::textChanged);
    // Keys reach the toolbar before the text boxes.
    for (QWidget* box : {static_cast<QWidget*>(txtProcName), static_cast<QWidget*>(txtProcDesc),
                         static_cast<QWidget*>(txtProcCode)})
        box->installEventFilter(this);
}

frmProcEdit::~frmProcEdit() {
    if (m_main) m_main->removeLibraryUser(this);
}

void frmProcEdit::createToolbar() {
    ActiveBar1 = new toolbar::Bar(this);
    ActiveBar1->setObjectName(QStringLiteral("ActiveBar1"));
    toolbar::Tool* save =
        ActiveBar1->defineTool(QStringLiteral("BTN_SAVE"), QStringLiteral(" &Save Procedure"));
    save->setToolTip(QStringLiteral("Save Procedure"));
    save->setShortcut(QKeySequence(QKeySequence::Save));
    save->setPicture(QStringLiteral(":/toolbar/save.png"));
    toolbar::Tool* close = ActiveBar1->defineTool(QStringLiteral("BTN_CLOSE"), QStringLiteral("E&xit"));
    close->setToolTip(QStringLiteral("Exit Procedure Window"));
    close->setPicture(QStringLiteral(":/toolbar/close.png"));
    ActiveBar1->defineComboTool(QStringLiteral("BTN_CATEGORY"), QStringLiteral("Category"), 150)
        ->setToolTip(QStringLiteral("Category"));
    ActiveBar1->defineMenuTool(QStringLiteral("BTN_FILE"), QStringLiteral("&File"),
                               QStringLiteral("mnuFile"));

    toolbar::Band* file =
        ActiveBar1->addBand(QStringLiteral("mnuFile"), toolbar::BandKind::SubMenu, QStringLiteral("File"));
    file->addTool(QStringLiteral("BTN_SAVE"));
    file->addSeparator();
    file->addTool(QStringLiteral("BTN_CLOSE"));
    ActiveBar1->addBand(QStringLiteral("mnuMainMenu"), toolbar::BandKind::MenuBar, QStringLiteral("Menu Bar"))
        ->addTool(QStringLiteral("BTN_FILE"));
    toolbar::Band* standard = ActiveBar1->addBand(QStringLiteral("Standard"), toolbar::BandKind::ToolBar,
                                                  QStringLiteral("Standard"));
    standard->setButtonStyle(toolbar::ButtonStyle::IconAndText);
    standard->addTool(QStringLiteral("BTN_SAVE"));
    standard->addTool(QStringLiteral("BTN_CLOSE"));
    standard->addSeparator();
    standard->addTool(QStringLiteral("BTN_CATEGORY"));
    ActiveBar1->attach(this);
    connect(ActiveBar1, &toolbar::Bar::toolClicked, this, &frmProcEdit::ActiveBar1_ToolClick);
}

void frmProcEdit::setMainWindow(store::MainWindow* main) {
    if (m_main == main) return;
    if (m_main) m_main->removeLibraryUser(this);
    m_main = main;
    m_instanceName = main ? main->InstanceName() : QString();
    if (m_main) m_main->addLibraryUser(this);
}

engine::Database* frmProcEdit::library() const {
    return m_main ? m_main->database() : nullptr;
}

// ---- Load ---------------------------------------------------------------------------------------

void frmProcEdit::Form_Load() {
    if (toolbar::Band* standard = ActiveBar1->findBand(QStringLiteral("Standard")))
        if (toolbar::Tool* category = standard->tools().find(QStringLiteral("BTN_CATEGORY")))
            cboCategory = category->comboBox();
    ProcLoad();

    if (cboCategory) {
        cboCategory->clear();
        cboCategory->setEditable(false);
        m_catKeys.clear();
        const qint64 wanted = m_procKey != 0 ? m_itemCatKey : (m_main ? m_main->CurrentCategoryKey() : 0);
        try {
            if (engine::Database* db = library()) {
                auto rs = db->OpenRecordset(QStringLiteral("SELECT CatKey, Name FROM Category ORDER BY Name"),
                                            engine::dbOpenDynaset, engine::dbReadOnly);
                engine::Field catKey = rs->Fields(QStringLiteral("CatKey"));
                engine::Field name = rs->Fields(QStringLiteral("Name"));
                for (; !rs->eof(); rs->MoveNext()) {
                    cboCategory->addItem(name.text());
                    m_catKeys.push_back(catKey.Value().toLongLong());
                    if (m_catKeys.back() == wanted) cboCategory->setCurrentIndex(cboCategory->count() - 1);
                }
                rs->Close();
            }
        } catch (const engine::Error& err) {
            store::ReportError(err, QStringLiteral("frmProcEdit.Form_Load"), m_main);
        }
        if (m_catKeys.empty() || m_catKeys[size_t(std::max(0, cboCategory->currentIndex()))] != wanted)
            cboCategory->setCurrentIndex(-1);
        connect(cboCategory, &QComboBox::currentIndexChanged, this, &frmProcEdit::cboCategory_Change,
                Qt::UniqueConnection);
    }

    if (m_codeType != kWebSite) {
        try {
            store::WindowRestore(this, m_instanceName, false, true);
        } catch (const engine::Error&) {
            // A damaged size leaves the window at its own.
        }
        setWindowTitle(QStringLiteral("Procedure"));
        cboCategory_Change();
    } else {
        resize(platform::twipsToPixelsX(6000, this), platform::twipsToPixelsY(2200, this));
        lblName->setText(QStringLiteral("URL: "));
        if (m_main) imgType->setPixmap(m_main->LargeImage(QStringLiteral("WEB")));
        if (m_procKey != 0) {
            hideCodeBox();
            setWindowTitle(QStringLiteral("Web Shortcut"));
        } else {
            const QScopedValueRollback<bool> loading(m_loading, true);
            txtProcName->setText(m_code);
        }
    }
}

void frmProcEdit::ProcLoad() {
    const QScopedValueRollback<bool> loading(m_loading, true);
    if (m_procKey != 0) {
        try {
            if (engine::Database* db = library()) {
                auto rs =
                    db->OpenRecordset(QStringLiteral("SELECT P.* FROM [Procedure] AS P WHERE P.ProcKey = ") +
                                          QString::number(m_procKey),
                                      engine::dbOpenDynaset, engine::dbReadOnly);
                if (!rs->eof()) {
                    txtProcName->setText(rs->Fields(QStringLiteral("Name")).text());
                    txtProcDesc->setPlainText(rs->Fields(QStringLiteral("Desc")).text());
                    txtProcCode->setPlainText(rs->Fields(QStringLiteral("Code")).text());
                    m_itemCatKey = rs->Fields(QStringLiteral("CatKey")).Value().toLongLong();
                }
                rs->Close();
            }
        } catch (const engine::Error& err) {
            store::ReportError(err, QStringLiteral("frmProcEdit.ProcLoad"), m_main);
        }
        m_changed = false;
        return;
    }
    m_changed = !m_code.isEmpty();
    if (m_code.isEmpty()) return;
    if (m_codeType == kTextCode) {
        QString name, previous;
        ParseProcName(m_code, name, previous);
        txtProcName->setText(name);
        txtProcCode->setPlainText(m_code);
    } else if (m_codeType == kWebSite) {
        txtProcName->setText(m_code);
        hideCodeBox();
        resize(width(), platform::twipsToPixelsY(3000, this));
    }
}

void frmProcEdit::hideCodeBox() {
    // A web shortcut has no code: its description takes the room.
    txtProcCode->hide();
    txtProcDesc->setMinimumHeight(txtProcDesc->height());
    txtProcDesc->setMaximumHeight(QWIDGETSIZE_MAX);
    if (auto* grid = qobject_cast<QGridLayout*>(centralWidget()->layout())) {
        grid->setRowStretch(1, 1);
        grid->setRowStretch(2, 0);
    }
}

void frmProcEdit::ParseProcName(const QString& code, QString& name, QString& previousWord) {
    name.clear();
    previousWord.clear();
    const qsizetype paren = code.indexOf(QLatin1Char('('));
    if (paren < 0) return;
    QString current, previous;
    for (qsizetype i = 0; i < paren; ++i) {
        const QChar c = code[i];
        if (c == QLatin1Char(' ')) {
            previous = current;
            current.clear();
        }
        current += c;
    }
    name = current.trimmed();
    previousWord = previous.trimmed();
}

// ---- Save ---------------------------------------------------------------------------------------

bool frmProcEdit::ProcSave() {
    const QString name = txtProcName->text();
    if (name.trimmed().isEmpty()) {
        ui::MsgBox(QStringLiteral("Error: You cannot save the Procedure WITHOUT a Name!"), kOopsStyle, kOops);
        return false;
    }
    if (!store::IsURL(name) && txtProcCode->toPlainText().trimmed().isEmpty()) {
        ui::MsgBox(QStringLiteral("Error: You cannot save the Procedure WITHOUT entering any Code/Text!"),
                   kOopsStyle, kOops);
        return false;
    }
    const int category = cboCategory ? cboCategory->currentIndex() : -1;
    if (category < 0 || size_t(category) >= m_catKeys.size()) {
        ui::MsgBox(QStringLiteral("Error: You must select a Category from the Category combobox!"),
                   kOopsStyle, kOops);
        return false;
    }
    engine::Database* db = library();
    if (!db) {
        // The library is closed or being replaced: the text stays here until it is back.
        ui::MsgBox(QStringLiteral("Error: No Code Library is open, so the Procedure cannot be saved now."),
                   kOopsStyle, kOops);
        return false;
    }
    try {
        const QString select = QStringLiteral("SELECT P.* FROM [Procedure] AS P WHERE P.ProcKey = ");
        auto rs = db->OpenRecordset(select +
                                    (m_procKey != 0 ? QString::number(m_procKey) : QStringLiteral("NULL")));
        // An item deleted meanwhile (another window, a synchronisation) is written anew, not lost.
        const bool adding = m_procKey == 0 || rs->eof();
        if (adding)
            rs->AddNew();
        else
            rs->Edit();
        rs->Fields(QStringLiteral("CatKey")).setValue(m_catKeys[size_t(category)]);
        rs->Fields(QStringLiteral("Name")).setValue(name);
        // An item of a type the editor does not know keeps its code as text.
        if (m_codeType == kWebSite) {
            rs->Fields(QStringLiteral("Type")).setValue(kWebSite);
            rs->Fields(QStringLiteral("Code")).setValue(QStringLiteral("Web Shortcut"));
        } else if (store::IsURL(name)) {
            rs->Fields(QStringLiteral("Type")).setValue(kWebSite);
            rs->Fields(QStringLiteral("Code")).setValue(QStringLiteral("Web ShortCut"));
        } else {
            rs->Fields(QStringLiteral("Type")).setValue(kTextCode);
            rs->Fields(QStringLiteral("Code")).setValue(txtProcCode->toPlainText());
        }
        QString desc = txtProcDesc->toPlainText();
        while (desc.endsWith(QLatin1Char('\n')) || desc.endsWith(QLatin1Char('\r'))) {
            desc.chop(1);
            desc = trimBlanks(desc);
        }
        if (desc != txtProcDesc->toPlainText()) {
            const QScopedValueRollback<bool> loading(m_loading, true);
            txtProcDesc->setPlainText(desc);
        }
        rs->Fields(QStringLiteral("Desc")).setValue(desc);
        // A real date, so that no year is ever read back in the wrong century.
        rs->Fields(QStringLiteral("LastChanged")).setValue(QDate::currentDate());
        rs->Fields(QStringLiteral("Owner")).setValue(1);
        rs->Fields(QStringLiteral("LastChangedBy")).setValue(1);
        rs->Update();
        if (adding) {
            rs->setBookmark(rs->LastModified());
            m_procKey = rs->Fields(QStringLiteral("ProcKey")).Value().toLongLong();
        }
        m_itemCatKey = m_catKeys[size_t(category)];
        rs->Close();
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("frmProcEdit.ProcSave"), m_main);
        return false;
    }
    if (m_main) {
        const QString search = m_main->SearchSQL();
        m_main->ProcRefresh(search);
        m_main->StatusBar(QStringLiteral("Procedure Saved..."));
    }
    m_changed = false;
    return true;
}

// ---- Events -------------------------------------------------------------------------------------

void frmProcEdit::ActiveBar1_ToolClick(const QString& toolName) {
    if (toolName == QLatin1String("BTN_SAVE"))
        ProcSave();
    else if (toolName == QLatin1String("BTN_CLOSE"))
        close();
}

void frmProcEdit::cboCategory_Change() {
    if (lblName->text() == QLatin1String("URL: ") || !cboCategory || !m_main) return;
    QPixmap picture = m_main->LargeImage(cboCategory->currentText());
    if (picture.isNull()) picture = m_main->LargeImage(QStringLiteral("FOLDER"));
    imgType->setPixmap(picture);
}

void frmProcEdit::textChanged() {
    if (!m_loading) m_changed = true;
}

bool frmProcEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && ActiveBar1->handleKeyEvent(static_cast<QKeyEvent*>(event)))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

int frmProcEdit::askToSave() {
    const int answer = ui::MsgBox(QStringLiteral("The Procedure was changed, but not saved!") +
                                      QStringLiteral("\r\n\r\nDo you want to Save your Changes now?"),
                                  ui::vbYesNoCancel | ui::vbQuestion | ui::vbMsgBoxSetForeground,
                                  QStringLiteral("Save Changes?"));
    if (answer == ui::vbYes && !ProcSave()) return ui::vbCancel;
    return answer;
}

bool frmProcEdit::Form_QueryUnload() {
    if (m_changed && askToSave() == ui::vbCancel) {
        show();
        raise();
        return false;
    }
    return true;
}

void frmProcEdit::closeEvent(QCloseEvent* event) {
    if (!m_unloaded && !Form_QueryUnload()) {
        event->ignore();
        return;
    }
    m_unloaded = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (m_codeType == kTextCode) {
        try {
            store::WindowSave(this, m_instanceName, false, true);
        } catch (const engine::Error&) {
        }
    }
    store::PlayEventSound(store::sndRestoreDown);
    setMainWindow(nullptr);
    event->accept();
}

// ---- The library going away ---------------------------------------------------------------------

bool frmProcEdit::libraryClosing() {
    if (!m_changed) return true;
    show();
    raise();
    activateWindow();
    return askToSave() != ui::vbCancel;
}

void frmProcEdit::libraryReopened(bool sameLibrary) {
    if (sameLibrary) return;
    // Its item belongs to a library that is no longer open here; the user has been asked already.
    m_main = nullptr;
    m_unloaded = true;
    close();
}
