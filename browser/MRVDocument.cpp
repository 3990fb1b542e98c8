#include "browser/MRVDocument.h"

#include "browser/document_p.h"
#include "browser/item_rows.h"
#include "browser/search_runner.h"
#include "library/frmDBList.h"
#include "platform/controls.h"
#include "platform/help.h"
#include "platform/sound.h"
#include "platform/toolbar.h"
#include "platform/twips.h"
#include "platform/ui.h"
#include "prefs/frmAbout.h"
#include "prefs/frmTip.h"
#include "resources/resources.h"
#include "store/codelib.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/paths.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QScopedValueRollback>
#include <QTextStream>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace browser {

using namespace detail;

namespace {

constexpr int kSplitterWidth = 60;  // twips
// The tree's width before the user sets one: a share of the window, up to a width names need.
constexpr double kFirstTreeShare = 0.3;
constexpr double kFirstTreeMaxWidth = 6000;  // twips
constexpr int kFirstStatusInterval = 30000;
constexpr int kStatusInterval = 15000;

bool g_toolWindowCreating = false;

QString general() {
    return store::generalAppName();
}

}  // namespace

// ---- Construction --------------------------------------------------------------------------------

MRVDocument::MRVDocument(QWidget* parent) : QWidget(parent) {
    initResources();
    setObjectName(QStringLiteral("MRVDocument"));
    createControls();
}

MRVDocument::~MRVDocument() {
    // The find window belongs to the window around the document; it must not outlive the document.
    delete m_findDialog;
    Terminate();
    // Editors and dialogs still open end with the document, before it is gone.
    tellLibraryUsers(false);
    // The list, a child widget, outlives the source of its rows.
    lstvProcs->setRowSource(nullptr);
}

void MRVDocument::createControls() {
    setFocusPolicy(Qt::StrongFocus);
    m_area = new QWidget(this);
    m_area->setObjectName(QStringLiteral("documentArea"));
    m_area->installEventFilter(this);

    imgLargeIcons = new controls::ImageList(QSize(32, 32), this);
    imgLargeIcons->setObjectName(QStringLiteral("imgLargeIcons"));
    imgSmallIcons = new controls::ImageList(QSize(16, 16), this);
    imgSmallIcons->setObjectName(QStringLiteral("imgSmallIcons"));

    treCats = new controls::TreeView(m_area);
    treCats->setObjectName(QStringLiteral("treCats"));
    treCats->setImageList(imgSmallIcons);
    connect(treCats, &controls::TreeView::nodeClick, this, &MRVDocument::treCats_NodeClick);
    connect(treCats, &controls::TreeView::nodeCollapse, this, [this] { ProcRefresh(); });
    connect(treCats, &controls::TreeView::beforeLabelEdit, this, &MRVDocument::treCats_BeforeLabelEdit);
    connect(treCats, &controls::TreeView::afterLabelEdit, this, &MRVDocument::treCats_AfterLabelEdit);
    connect(treCats, &controls::TreeView::keyDown, this, &MRVDocument::treCats_KeyDown);
    connect(treCats, &controls::TreeView::mouseDown, this, &MRVDocument::treCats_MouseDown);

    picVertSplitter = new QFrame(m_area);
    picVertSplitter->setObjectName(QStringLiteral("picVertSplitter"));
    picVertSplitter->setFrameShape(QFrame::NoFrame);
    picVertSplitter->setCursor(Qt::SplitHCursor);
    picVertSplitter->setAutoFillBackground(true);
    picVertSplitter->setBackgroundRole(QPalette::Button);
    picVertSplitter->installEventFilter(this);

    lstvProcs = new controls::ListView(m_area);
    lstvProcs->setObjectName(QStringLiteral("lstvProcs"));
    lstvProcs->setIcons(imgLargeIcons);
    lstvProcs->setSmallIcons(imgSmallIcons);
    m_rowSource = std::make_unique<ItemRowSource>([this] { return m_db; }, imgLargeIcons);
    lstvProcs->setRowSource(m_rowSource.get());
    lstvProcs->addColumn(QStringLiteral("Name"), 220);
    lstvProcs->addColumn(QStringLiteral("Category"), 140);
    lstvProcs->addColumn(QStringLiteral("Type"), 80);
    lstvProcs->addColumn(QStringLiteral("Changed"), 90);
    lstvProcs->addColumn(QStringLiteral("Description"), 320);
    lstvProcs->setView(controls::lvwReport);
    connect(lstvProcs, &controls::ListView::beforeLabelEdit, this, &MRVDocument::lstvProcs_BeforeLabelEdit);
    connect(lstvProcs, &controls::ListView::afterLabelEdit, this, &MRVDocument::lstvProcs_AfterLabelEdit);
    connect(lstvProcs, &controls::ListView::columnClick, this, &MRVDocument::lstvProcs_ColumnClick);
    connect(lstvProcs, &controls::ListView::keyDown, this, &MRVDocument::lstvProcs_KeyDown);
    connect(lstvProcs, &controls::ListView::click, this, &MRVDocument::SetProcTools);
    connect(lstvProcs, &controls::ListView::itemClick, this, &MRVDocument::SetProcTools);
    connect(lstvProcs, &controls::ListView::mouseDown, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint& pos) {
                lstvProcs_MouseDown(button, pos);
            });
    connect(lstvProcs, &controls::ListView::dblClick, this, &MRVDocument::lstvProcs_DblClick);
    // Rows go out to any program; text, addresses, files and other documents' items come in.
    lstvProcs->setOLEDragMode(true);
    connect(lstvProcs, &controls::ListView::oleStartDrag, this, &MRVDocument::runListDrag);
    for (QWidget* viewport :
         {lstvProcs->detailsView()->viewport(), lstvProcs->iconView()->viewport(), treCats->viewport()}) {
        viewport->setAcceptDrops(true);
        viewport->installEventFilter(this);
    }

    StatusBar1 = new controls::StatusBar(m_area);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    chkShowHideTreeview = new QCheckBox(QStringLiteral("Categories"), m_area);
    chkShowHideTreeview->setObjectName(QStringLiteral("chkShowHideTreeview"));
    chkShowHideTreeview->setToolTip(QStringLiteral("Show or hide the category tree"));
    chkShowHideTreeview->setChecked(true);
    chkShowHideTreeview->adjustSize();
    connect(chkShowHideTreeview, &QCheckBox::toggled, this, &MRVDocument::chkShowHideTreeview_Click);

    txtSearch = new QLineEdit(QStringLiteral("Type 'Search Criteria' Here..."), m_area);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    // Called up over the status bar when the user asks for a quick search.
    txtSearch->hide();
    txtSearch->installEventFilter(this);
    connect(txtSearch, &QLineEdit::textChanged, this, &MRVDocument::txtSearch_Change);
    m_quickSearch = new SearchRunner(this);
    m_quickSearch->setObjectName(QStringLiteral("quickSearch"));
    connect(m_quickSearch, &SearchRunner::finished, this, &MRVDocument::showSearchResult);

    // Panel 1 lies under the check box, panel 2 holds the messages.
    StatusBar1->addPanel(QString(), chkShowHideTreeview->width() + 12);
    StatusBar1->addPanel(QString(), 200, QString(), controls::sbrText, controls::sbrSpring);
    StatusBar1->addPanel(QString(), 70, QString(), controls::sbrTime);
    StatusBar1->setFixedHeight(std::max({StatusBar1->sizeHint().height(), txtSearch->sizeHint().height() + 2,
                                         chkShowHideTreeview->height() + 4}));
    StatusBar1->lower();
    connect(StatusBar1, &controls::StatusBar::panelClick, this, &MRVDocument::StatusBar1_PanelClick);
    connect(StatusBar1, &controls::StatusBar::panelDblClick, this, &MRVDocument::StatusBar1_PanelDblClick);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kFirstStatusInterval);
    connect(Timer1, &QTimer::timeout, this, &MRVDocument::Timer1_Timer);

    // The item list is where the keys go when the document is given the focus.
    setFocusProxy(lstvProcs);

    ActiveBar1 = new toolbar::Bar(this);
    ActiveBar1->setObjectName(QStringLiteral("ActiveBar1"));
    ActiveBar1->attach(this, m_area);
    connect(ActiveBar1, &toolbar::Bar::toolClicked, this, &MRVDocument::dispatchTool);
    connect(ActiveBar1, &toolbar::Bar::pageChanged, this, &MRVDocument::ActiveBar1_PageChange);
    connect(ActiveBar1, &toolbar::Bar::layoutChanged, this, &MRVDocument::ActiveBar1_LayoutChange);
}

QWidget* createDocument(QWidget* parent) {
    auto* document = new MRVDocument(parent);
    document->InitProperties();
    return document;
}

// ---- Instance kind ------------------------------------------------------------------------------

void MRVDocument::InitProperties() {
    const QString loading = store::GetSetting(general(), QStringLiteral("General Properties"),
                                              QStringLiteral("Loading Instance"), QStringLiteral("0"));
    if (loading == QLatin1String("1"))
        setInstanceType(AddInInstance);
    else if (loading == QLatin1String("2"))
        setInstanceType(ClientInstance);
    else if (loading == QLatin1String("3") || loading == QLatin1String("0"))
        setInstanceType(BrowserInstance);
}

void MRVDocument::setInstanceType(int type) {
    // An instance starts once; its kind names its settings for the rest of its life.
    if (m_instanceType != NoInstance) return;
    switch (type) {
        case AddInInstance:
            m_instanceName = QStringLiteral("\\(VB Add-In)");
            break;
        case ClientInstance:
            m_instanceName = QStringLiteral("\\(Client)");
            break;
        case BrowserInstance:
            m_instanceName = QStringLiteral("\\(Browser)");
            break;
        default:
            return;
    }
    m_instanceType = type;
    store::SaveSetting(general(), QStringLiteral("General Properties"), QStringLiteral("Loading Instance"),
                       QStringLiteral("0"));
    doEvents();
    SmallImagesLoad(imgSmallIcons);
    LargeImagesLoad(imgLargeIcons);
    DocInitialize();
}

QString MRVDocument::instanceApp() const {
    return store::instanceAppName(m_instanceName);
}

void MRVDocument::setToolWindowCreating(bool creating) {
    g_toolWindowCreating = creating;
}

bool MRVDocument::toolWindowCreating() {
    return g_toolWindowCreating;
}

// ---- Start-up -----------------------------------------------------------------------------------

void MRVDocument::DocInitialize() {
    try {
        store::DeleteTempFiles();
        m_layoutAllowed = true;
        m_splitterDragX = INT_MAX;
        ActiveBar1->recalcLayout();
        FormatWindow();
        doEvents();

        SettingsLoad();

        const QString app = instanceApp();
        QString path =
            store::GetSetting(app, QStringLiteral("Properties"), QStringLiteral("Current Library"));
        if (path.isEmpty()) {
            path = DBSelect();
            if (path.isEmpty()) return;
        }
        engine::Database* opened = nullptr;
        while (!store::DBOpen(path, opened)) {
            path = DBSelect();
            if (path.isEmpty()) return;
        }
        store::DBClose(m_db);
        m_db = opened;
        store::SaveSetting(app, QStringLiteral("Properties"), QStringLiteral("Current Library"), path);
        SystemInit();
        FormatWindow();
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.DocInitialize"), this);
    }
}

QString MRVDocument::userLayoutFile() const {
    const QString name =
        m_instanceType == AddInInstance ? QStringLiteral("/VBToolbars.tb") : QStringLiteral("/Toolbars.tb");
    return store::userDataFolder() + name;
}

QString MRVDocument::defaultLayoutFile() const {
    return store::programFolder() + QFileInfo(userLayoutFile()).fileName().prepend(QLatin1Char('/'));
}

void MRVDocument::loadLayoutFile() {
    // The user's own layout, else the one installed beside the program, else the built-in one. One
    // that cannot be used is bad input, not a fault of ours: the user is told, and their file is
    // left as it is (not saved over at the end) for them to mend.
    const QString name = QFileInfo(userLayoutFile()).fileName();
    for (const QString& file : {userLayoutFile(), defaultLayoutFile()}) {
        if (!store::FileExists(file)) continue;
        try {
            ActiveBar1->loadLayout(file);
            return;
        } catch (const engine::Error& err) {
            const bool users = file == userLayoutFile();
            if (users) m_layoutFile.clear();
            ui::MsgBox(err.description() + LF + LF +
                           (users ? QStringLiteral(
                                        "The installed layout is used instead; your file is left as it is.")
                                  : QStringLiteral("The built-in layout is used instead.")),
                       ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Toolbar Layout"));
        }
    }
    QFile builtIn(QStringLiteral(":/toolbars/") + name);
    if (builtIn.open(QIODevice::ReadOnly))
        ActiveBar1->loadLayoutText(builtIn.readAll(), QStringLiteral(":/toolbars"));
}

void MRVDocument::SettingsLoad() {
    const QString app = instanceApp();
    const QString properties = QStringLiteral("Properties");

    // Earlier builds let the user work on the program folder's own sample, which the next build
    // replaces: the user's copy (made from it) takes its place.
    const QString current = store::GetSetting(app, properties, QStringLiteral("Current Library"));
    if (current.isEmpty() || QFileInfo(current) == QFileInfo(store::installedSamplePath())) {
        const QString sample = store::sampleLibraryPath();
        store::SaveSetting(app, properties, QStringLiteral("Current Library"), sample);
        store::AddToRecentList(sample, QStringLiteral("Original Morvane"), general(),
                               QStringLiteral("Libraries"), 20);
    }

    m_layoutFile = userLayoutFile();
    m_heldToolTips.clear();  // a new layout brings new tools
    loadLayoutFile();
    holdUnbuiltTools();
    ActiveBar1->recalcLayout();
    restoreBars();
    restoreTreeAndList();
    setInstanceTools();

    m_workFile = GetWinTempFileName(QStringLiteral("MVL"));
    store::RegisterTempFile(m_workFile);

    ActiveBar1->recalcLayout();
}

// The menu bar shown or hidden, the Standard toolbar's page.
void MRVDocument::restoreBars() {
    const QString app = instanceApp();
    const bool menuVisible =
        settingBool(store::GetSetting(app, QStringLiteral("Toolbars"), QStringLiteral("Menu Visible"),
                                      QStringLiteral("True")),
                    true);
    if (toolbar::Band* menu = ActiveBar1->findBand(QStringLiteral("mnuMain"))) menu->setVisible(menuVisible);
    if (toolbar::Tool* t = barTool(ActiveBar1, QStringLiteral("BTN_VIEWMENUBAR")))
        t->setChecked(!menuVisible);

    if (toolbar::Band* standard = ActiveBar1->findBand(QStringLiteral("Standard")))
        standard->setCurrentPage(int(store::Val(
            store::GetSetting(app, QStringLiteral("Toolbars"),
                              QStringLiteral("Standard Toolbar's Current Page"), QStringLiteral("0")))));
}

// The tree shown or hidden with its width and category, the list's view.
void MRVDocument::restoreTreeAndList() {
    const QString app = instanceApp();
    const QString properties = QStringLiteral("Properties");
    {
        m_checkboxGuard = true;
        bool treeVisible =
            settingBool(store::GetSetting(app, properties, QStringLiteral("Category Tree Visible"),
                                          QStringLiteral("True")),
                        true);
        if (toolbar::Tool* t = barTool(ActiveBar1, QStringLiteral("BTN_VIEWCATEGORIES"))) {
            t->setChecked(treeVisible);
            treeVisible = t->isChecked();
        }
        chkShowHideTreeview->setChecked(treeVisible);
        treCats->setVisible(treeVisible);
        picVertSplitter->setVisible(treeVisible);
        m_checkboxGuard = false;
    }

    // Without a width of the user's, the tree takes its share of the window at the first layout.
    const QString savedWidth = store::GetSetting(app, properties, QStringLiteral("Category Tree Width"));
    m_firstTreeWidth = savedWidth.isEmpty();
    const double treeWidth = store::Val(m_firstTreeWidth ? QStringLiteral("2600") : savedWidth);
    treCats->resize(platform::twipsToPixelsX(treeWidth, this), treCats->height());
    picVertSplitter->move(
        platform::twipsToPixelsX(platform::pixelsToTwipsX(treCats->x(), this) + treeWidth - 15, this),
        picVertSplitter->y());

    m_savedCategoryKey = store::GetSetting(app, properties, QStringLiteral("Category Tree Current Category"),
                                           QStringLiteral("0 Key"));

    const int view = int(store::Val(
        store::GetSetting(app, properties, QStringLiteral("Procedure Listview Style"), QStringLiteral("3"))));
    lstvProcs->setView(controls::ListViewStyle(std::clamp(view, 0, 3)));
}

// The Hide and add-in tools as the kind of instance has them.
void MRVDocument::setInstanceTools() {
    toolbar::Tool* hide = barTool(ActiveBar1, QStringLiteral("BTN_Hide"));
    toolbar::Tool* hideInFile = bandTool(ActiveBar1, QStringLiteral("mnuFile"), QStringLiteral("BTN_Hide"));
    if (hide) {
        const bool shown = m_instanceType == AddInInstance || m_instanceType == ClientInstance;
        hide->setVisible(shown);
        hide->setEnabled(shown);
    }
    if (hideInFile && m_instanceType == AddInInstance) hideInFile->setCaption(QStringLiteral("&Hide"));
    if (hideInFile && m_instanceType == ClientInstance) hideInFile->setCaption(QStringLiteral("E&xit"));

    if (toolbar::Tool* addIns = barTool(ActiveBar1, QStringLiteral("BTN_VB_ADDINS"))) {
        if (m_instanceType == AddInInstance) {
            addIns->setVisible(false);
            addIns->setEnabled(false);
        } else {
            addIns->setVisible(true);
            addIns->setEnabled(true);
            const bool registered = store::IsAddInRegistered();
            addIns->setCaption(registered ? QStringLiteral("Remove from &VB Add-Ins")
                                          : QStringLiteral("Add to &VB Add-Ins"));
            addIns->setChecked(registered);
        }
    }
}

QString MRVDocument::DBSelect() {
    frmDBList form(this);
    // The user's libraries live in the data folder, never in the program folder.
    form.setInitDir(m_db ? store::ParentFolder(DBFileName())
                         : store::userDataFolder() + QStringLiteral("/Library"));
    store::PlayEventSound(store::sndRestoreUp);
    ui::ShowFormModal(&form, this);
    store::PlayEventSound(store::sndRestoreDown);
    doEvents();
    return form.DBFileName();
}

void MRVDocument::DBSelectOpen() {
    const QString path = DBSelect();
    if (path.isEmpty()) return;
    BusyCursor busy;
    StatusBar(QStringLiteral("Opening Database..."));
    // The chosen library is opened beside the current one, which stays when the choice fails.
    engine::Database* opened = nullptr;
    if (!store::DBOpen(path, opened)) return;
    if (m_replacingLibrary || !askLibraryUsers()) {
        store::DBClose(opened);
        return;
    }
    const bool same = m_db && opened->Name() == m_db->Name();
    store::DBClose(m_db);
    m_db = opened;
    SystemInit();
    store::SaveSetting(instanceApp(), QStringLiteral("Properties"), QStringLiteral("Current Library"),
                       DBFileName());
    StatusBar(QStringLiteral("Opened Database: ") + path);
    tellLibraryUsers(same);
}

void MRVDocument::SystemInit() {
    lstvProcs->clear();
    lstvProcs->repaint();
    doEvents();
    treCats->clear();
    treCats->repaint();
    doEvents();
    CatImageLoad();
    CatTreeLoad();
    ProcRefresh();
}

bool MRVDocument::ReOpenDB(QString& path, engine::Database*& database) {
    const QString target = path;
    replaceLibrary([&target](QString& library) {
        library = target;
        return true;
    });
    database = m_db;
    return m_db != nullptr;
}

store::LibraryReplacement MRVDocument::replaceLibrary(const std::function<bool(QString& path)>& work) {
    if (m_replacingLibrary || !askLibraryUsers()) return store::LibraryReplacement::Cancelled;
    const QString before = DBFileName();
    QString path = before;
    bool done = false;
    {
        const QScopedValueRollback<bool> replacing(m_replacingLibrary, true);
        store::DBClose(m_db);
        try {
            done = work(path);
        } catch (const engine::Error& err) {
            store::ReportError(err, QStringLiteral("MRVDocument.replaceLibrary"), this);
        }
        engine::Database* opened = nullptr;
        if (!path.isEmpty() && store::DBOpen(path, opened)) m_db = opened;
    }
    if (m_db) {
        if (path != before)
            store::SaveSetting(instanceApp(), QStringLiteral("Properties"), QStringLiteral("Current Library"),
                               path);
        SystemInit();
    }
    tellLibraryUsers(m_db && m_db->Name() == before);
    return done ? store::LibraryReplacement::Succeeded : store::LibraryReplacement::Failed;
}

void MRVDocument::addLibraryUser(store::LibraryUser* user) {
    if (user && !m_libraryUsers.contains(user)) m_libraryUsers.append(user);
}

void MRVDocument::removeLibraryUser(store::LibraryUser* user) {
    m_libraryUsers.removeAll(user);
}

bool MRVDocument::askLibraryUsers() {
    // A copy: a user may close, and so leave the list, while it is asked.
    const QList<store::LibraryUser*> users = m_libraryUsers;
    for (store::LibraryUser* user : users)
        if (m_libraryUsers.contains(user) && !user->libraryClosing()) return false;
    return true;
}

void MRVDocument::tellLibraryUsers(bool sameLibrary) {
    const QList<store::LibraryUser*> users = m_libraryUsers;
    if (!sameLibrary) m_libraryUsers.clear();
    for (store::LibraryUser* user : users) user->libraryReopened(sameLibrary);
}

QString MRVDocument::DBFileName() const {
    return m_db ? m_db->Name() : QString();
}

// ---- Layout -------------------------------------------------------------------------------------

void MRVDocument::FormatWindow() {
    // Until the document is shown its size is a placeholder, and keeping the splitter inside it
    // would lose the width the user left the tree at; the first show lays it out.
    if (g_toolWindowCreating || m_layoutBusy || !m_layoutAllowed || !isVisible()) return;
    m_layoutBusy = true;
    const auto place = [this](QWidget* w, double left, double top, double width, double height) {
        const int x = platform::twipsToPixelsX(left, this), y = platform::twipsToPixelsY(top, this);
        w->setGeometry(x, y, std::max(0, platform::twipsToPixelsX(left + width, this) - x),
                       std::max(0, platform::twipsToPixelsY(top + height, this) - y));
    };
    try {
        const double W = platform::pixelsToTwipsX(m_area->width(), this);
        const double H = platform::pixelsToTwipsY(m_area->height(), this);
        const double S = platform::pixelsToTwipsY(StatusBar1->height(), this);
        const double sw = kSplitterWidth;
        place(StatusBar1, 0, H - S, W, S);

        const bool treeVisible = !treCats->isHidden();
        double L = platform::pixelsToTwipsX(picVertSplitter->x(), this);
        if (m_firstTreeWidth && treeVisible && W > 0) {
            L = std::min(W * kFirstTreeShare, kFirstTreeMaxWidth);
            m_firstTreeWidth = false;
        }
        picVertSplitter->setVisible(treeVisible);
        if (treeVisible) {
            if (L <= W - 400 && L < 400) L = 400;
            if (L > W - 400 && W - 400 > 0) L = W - 400;
            place(picVertSplitter, L, 0, sw, H - S);
            place(treCats, 0, -15, L + 15, H - S + 30);
            place(lstvProcs, L + sw - 15, -15, W - L - sw + 15, H - S + 30);
        } else {
            place(picVertSplitter, L, 0, sw, H - S);
            place(lstvProcs, 0, 0, W, H - S);
        }
        // The status bar and what sits on it stay above the edges of the tree and the list.
        StatusBar1->raise();
        const double statusTop = platform::pixelsToTwipsY(StatusBar1->y(), this);
        place(chkShowHideTreeview, 90, statusTop + 20,
              platform::pixelsToTwipsX(chkShowHideTreeview->width(), this),
              platform::pixelsToTwipsY(chkShowHideTreeview->height(), this));
        const double searchLeft = platform::pixelsToTwipsX(StatusBar1->panel(2)->x(), this);
        place(txtSearch, searchLeft, statusTop + 20 - 15,
              std::max(1500.0, std::min(4500.0, W - searchLeft - 60)),
              platform::pixelsToTwipsY(txtSearch->sizeHint().height(), this));
        chkShowHideTreeview->raise();
        txtSearch->raise();
    } catch (...) {
        // Layout is best effort; the next resize tries again.
    }
    m_layoutBusy = false;
}

void MRVDocument::Resize() {
    FormatWindow();
}

void MRVDocument::Paint() {
    // Tool windows of the IDE are resized without telling their contents.
    if (m_instanceType == AddInInstance && m_layoutAllowed)
        QMetaObject::invokeMethod(this, &MRVDocument::FormatWindow, Qt::QueuedConnection);
}

bool MRVDocument::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area && event->type() == QEvent::Resize) Resize();
    // Closing the host window ends the open editors too: they may save first, or keep it open.
    if (watched == m_closeWatched && event->type() == QEvent::Close && !askLibraryUsers()) {
        m_closeRefused = true;
        event->ignore();
        return true;
    }
    if (watched == txtSearch && txtSearchEvent(event)) return true;
    if (watched == picVertSplitter && picVertSplitterEvent(event)) return true;
    // The controls are made after the area, which is watched from the start.
    if (treCats && watched == treCats->viewport())
        return treeDragEvent(event) || QWidget::eventFilter(watched, event);
    if (lstvProcs &&
        (watched == lstvProcs->detailsView()->viewport() || watched == lstvProcs->iconView()->viewport()))
        return listDragEvent(event) || QWidget::eventFilter(watched, event);
    return QWidget::eventFilter(watched, event);
}

void MRVDocument::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    Paint();
}

// ---- Status bar ---------------------------------------------------------------------------------

void MRVDocument::StatusBar(const QString& message) {
    Timer1->stop();
    controls::StatusPanel* panel = StatusBar1->panel(2);
    const QString text = message + QLatin1Char(' ');
    if (panel->text() != text) panel->setText(text);
    StatusBar1->repaint();
    Timer1->start();
}

void MRVDocument::Timer1_Timer() {
    Timer1->setInterval(kStatusInterval);
    StatusBar(QStringLiteral("Ready..."));
}

// ---- Show, keys, end ----------------------------------------------------------------------------

void MRVDocument::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (window() != this && m_closeWatched != window()) {
        if (m_closeWatched) m_closeWatched->removeEventFilter(this);
        m_closeWatched = window();
        m_closeWatched->installEventFilter(this);
    }
    if (!event->spontaneous()) Show();
}

void MRVDocument::Show() {
    const QString startSound = store::programFolder() + QStringLiteral("/digital.wav");
    if (store::FileExists(startSound)) sound::playFile(startSound);
    FormatWindow();
    // The list has the keyboard from the start, and has it back when the tip window closes.
    if (!m_documentIsLoaded) lstvProcs->setFocus();
    const QString tips = store::GetSetting(general(), QStringLiteral("General Properties"),
                                           QStringLiteral("Show Tips at Startup"), QStringLiteral("1"));
    if (store::Val(tips) == 1 && !m_documentIsLoaded) showTips(false);
    m_documentIsLoaded = true;
}

void MRVDocument::showTips(bool modal) {
    if (modal) {
        frmTip tip(this);
        ui::ShowFormModal(&tip, this);
        return;
    }
    auto* tip = new frmTip(this);
    tip->setAttribute(Qt::WA_DeleteOnClose);
    // Shown once the document's own window is up, so that the tip comes in front with the keyboard.
    QTimer::singleShot(0, tip, [tip] {
        tip->show();
        tip->raise();
        tip->activateWindow();
    });
}

void MRVDocument::keyPressEvent(QKeyEvent* event) {
    if (ActiveBar1->handleKeyEvent(event))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void MRVDocument::keyReleaseEvent(QKeyEvent* event) {
    if (ActiveBar1->handleKeyEvent(event))
        event->accept();
    else
        QWidget::keyReleaseEvent(event);
}

void MRVDocument::closeEvent(QCloseEvent* event) {
    Terminate();
    QWidget::closeEvent(event);
}

void MRVDocument::Terminate() {
    if (!m_documentIsLoaded || m_terminated) return;
    m_terminated = true;
    try {
        SettingsSave();
    } catch (...) {
    }
    store::DBClose(m_db);
    try {
        store::DeleteTempFiles();
    } catch (...) {
    }
}

void MRVDocument::SettingsSave() {
    try {
        if (toolbar::Band* standard = ActiveBar1->findBand(QStringLiteral("Standard")))
            store::SaveSetting(instanceApp(), QStringLiteral("Toolbars"),
                               QStringLiteral("Standard Toolbar's Current Page"),
                               QString::number(standard->currentPage()));
    } catch (...) {
    }
    if (!m_workFile.isEmpty()) QFile::remove(m_workFile);
    try {
        if (!m_layoutFile.isEmpty() && QDir().mkpath(QFileInfo(m_layoutFile).absolutePath())) {
            // The file keeps the tools as the layout defines them, not as held until they are built.
            releaseUnbuiltTools();
            ActiveBar1->saveLayout(m_layoutFile);
            holdUnbuiltTools();
        }
    } catch (...) {
    }
}

// ---- Members the dialogs call -------------------------------------------------------------------

QString MRVDocument::GetURLFromFile(const QString& path) const {
    return store::ReadWebShortcut(path);
}

QString MRVDocument::GetWinTempFileName(const QString& prefix) const {
    return store::uniqueTempFileName(prefix).trimmed();
}

QPixmap MRVDocument::LargeImage(const QString& key) const {
    try {
        if (const auto icon = imgLargeIcons->find(key)) return icon->pixmap(imgLargeIcons->imageSize());
    } catch (...) {
    }
    return QPixmap();
}

int MRVDocument::keyNumber(const QString& key) {
    return int(store::Val(key));
}

int MRVDocument::CurrentCategoryKey() const {
    const controls::TreeNode* node = treCats->selectedItem();
    return node ? keyNumber(node->key()) : 0;
}

void MRVDocument::SetForSearch() {
    treCats->setSelectedItem(nullptr);
    treCats->setDropHighlight(nullptr);
    if (!treCats->isHidden()) {
        store::PlayEventSound(store::sndMenuPopup);
        setCategoryTreeVisible(false);
    }
    lstvProcs->setView(controls::lvwReport);
    doEvents();
}

void MRVDocument::ShowHelp(int context) {
    store::PlayEventSound(store::sndRestoreUp);
    help::WinHelp(this, store::helpFile(), help::HELP_CONTEXT, context);
}

void MRVDocument::treCats_NodeClick(controls::TreeNode*) {
    m_searchSQL.clear();
    ProcRefresh();
}

bool MRVDocument::customIcons() const {
    return store::Val(store::GetSetting(instanceApp(), QStringLiteral("Properties"),
                                        QStringLiteral("Display using Custom Icons"), QStringLiteral("0"))) ==
           1;
}

}  // namespace browser
