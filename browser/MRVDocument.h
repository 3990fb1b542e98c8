#pragma once

// The library browser: one document that owns the open library, the category tree, the item list,
// the toolbar and menus and the status bar. Hosts (the add-in's tool window, the client, the plain
// document host) embed it and talk to it by name through the meta-object system; the dialogs talk
// back to it through store::MainWindow.

#include "browser/ide_drag.h"
#include "store/engine/engine.h"
#include "store/main_window.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <climits>
#include <memory>

class QCheckBox;
class QFrame;
class QMimeData;
class QLineEdit;
class QTimer;
class frmProcFind;

namespace controls {
class ImageList;
class ListItem;
class ListView;
class StatusBar;
class TreeNode;
class TreeView;
}  // namespace controls

namespace toolbar {
class Bar;
class Tool;
}  // namespace toolbar

class frmProcEdit;

namespace browser {

class ItemMimeData;
class ItemRowSource;
class SearchRunner;
struct DragExchangeRecord;
struct ItemRow;
struct SearchResult;

class MRVDocument : public QWidget, public store::MainWindow {
    Q_OBJECT
    Q_PROPERTY(bool DocumentIsLoaded READ DocumentIsLoaded)
    Q_PROPERTY(QObject* Client READ Client WRITE setClient)
    Q_PROPERTY(QObject* Connect READ Connect WRITE setConnect)
    Q_PROPERTY(QObject* Container READ Container)
    Q_PROPERTY(QString InstanceName READ InstanceName)
    Q_PROPERTY(int InstanceType READ InstanceType WRITE setInstanceType)
    Q_PROPERTY(QString DBFileName READ DBFileName)
    Q_PROPERTY(int CurrentCategoryKey READ CurrentCategoryKey)
    Q_PROPERTY(QString SearchSQL READ SearchSQL WRITE setSearchSQL)
    Q_PROPERTY(QObject* VBInstance READ VBInstance WRITE setVBInstance)

public:
    enum Kind : int { NoInstance = 0, AddInInstance = 1, ClientInstance = 2, BrowserInstance = 3 };

    explicit MRVDocument(QWidget* parent = nullptr);
    ~MRVDocument() override;

    // ---- Members the hosts and the dialogs call, in the order they are known by ----------------

    bool DocumentIsLoaded() const { return m_documentIsLoaded; }
    QObject* Client() const { return m_client; }
    void setClient(QObject* client) { m_client = client; }
    QObject* Connect() const { return m_connect; }
    void setConnect(QObject* connect) { m_connect = connect; }
    // The widget that hosts the document.
    QObject* Container() const { return parentWidget(); }
    QString InstanceName() const override { return m_instanceName; }
    int InstanceType() const override { return m_instanceType; }
    // Starts the instance: its settings suffix, the images, then DocInitialize.
    void setInstanceType(int type);
    bool ReOpenDB(QString& path, engine::Database*& database) override;
    store::LibraryReplacement replaceLibrary(const std::function<bool(QString& path)>& work) override;
    void addLibraryUser(store::LibraryUser* user) override;
    void removeLibraryUser(store::LibraryUser* user) override;
    QString DBFileName() const override;
    Q_INVOKABLE void ProcRefresh(const QString& query = QString()) override;
    Q_INVOKABLE void SystemInit() override;
    Q_INVOKABLE void SettingsSave();
    // The address in an Internet shortcut file, or "".
    Q_INVOKABLE QString GetURLFromFile(const QString& path) const;
    // A new, empty, uniquely named file in the program's temporary folder.
    Q_INVOKABLE QString GetWinTempFileName(const QString& prefix) const;
    Q_INVOKABLE void DocInitialize() override;
    Q_INVOKABLE void FormatWindow();
    Q_INVOKABLE void StatusBar(const QString& message) override;
    QPixmap LargeImage(const QString& key) const override;
    int CurrentCategoryKey() const override;
    Q_INVOKABLE void SetForSearch() override;
    Q_INVOKABLE void ShowHelp(int context) override;
    QString SearchSQL() const override { return m_searchSQL; }
    void setSearchSQL(const QString& sql) override { m_searchSQL = sql; }
    QObject* VBInstance() const { return m_vbInstance; }
    void setVBInstance(QObject* instance) { m_vbInstance = instance; }

    // The instance kind handed over by the host through "Loading Instance".
    Q_INVOKABLE void InitProperties();
    // Saves and releases, once, when the first Show had finished.
    void Terminate();

    // ---- Start-up steps and library choice ------------------------------------------------------

    void SettingsLoad();
    // The library list dialog: the chosen path, or "" when the user cancelled.
    QString DBSelect();
    // The open command: choose a library and open it in place of the current one.
    void DBSelectOpen();

    // ---- Category tree --------------------------------------------------------------------------

    void SmallImagesLoad(controls::ImageList* images);
    void LargeImagesLoad(controls::ImageList* images);
    void CatImageLoad();
    void CatTreeLoad();
    void CatImageSave(int lCatKey, const QString& picturePath, const QString& type);
    void CatAddChild();
    void CatDelete();
    void CatClearImage();
    // Shows or hides the tree and the splitter, with every copy of the view command and the check box
    // following, and remembers it as "Category Tree Visible".
    void setCategoryTreeVisible(bool shown);

    // ---- Item operations -------------------------------------------------------------------------

    void ProcNew();
    void ProcEdit();
    void ProcCopy();
    void ProcDelete();
    // On the list's selected row when row is nullptr; program empty: the file's own program.
    void ProcFileOpen(controls::ListItem* row = nullptr, const QString& program = QString());
    void ProcFileProperties(controls::ListItem* row = nullptr);
    void ShowProperties();
    // Which item commands the selected row allows.
    void SetProcTools();
    // Writes a text, code or web item (procKey 0: a new one); a new file item comes from DragFilePath.
    // False when nothing was written (the error reported).
    bool SaveProcedure(qint64 procKey, qint64 catKey, const QString& type, const QString& name,
                       const QString& desc, const QString& code, const QString& filePath = QString());
    // Stores the file at path as a new file item of the category; false when nothing was stored.
    bool FileSave(qint64 catKey, const QString& path);
    // The file this document wrote for the drag it is the source of; "" otherwise.
    QString DragFilePath() const { return m_dragFilePath; }

    // The editor open for an item (procKey 0: a new one): an open editor of the same item is raised
    // instead of a second one made.
    frmProcEdit* openEditor(qint64 procKey, const QString& codeType, const QString& code = QString());

    // ---- Item list events ------------------------------------------------------------------------

    void lstvProcs_BeforeLabelEdit(controls::ListItem* row, bool& cancel);
    void lstvProcs_AfterLabelEdit(controls::ListItem* row, bool& cancel, const QString& newString);
    // index: 1-based column.
    void lstvProcs_ColumnClick(int index);
    void lstvProcs_KeyDown(int& keyCode, Qt::KeyboardModifiers shift);
    void lstvProcs_MouseDown(Qt::MouseButton button, const QPoint& pos);
    void lstvProcs_DblClick();

    // ---- Drag and drop ---------------------------------------------------------------------------

    // The start of a drag of the list's selected row: the drag's data object with the row's formats
    // declared and nothing written yet, or nullptr (no drag) for a row that is not an item.
    ItemMimeData* lstvProcs_OLEStartDrag();
    // A target asked for the data of this document's drag: the item is read, and its file written.
    void lstvProcs_OLESetData(ItemMimeData& data);
    void lstvProcs_OLECompleteDrag(Qt::DropAction effect);
    // What a drop of data on the list would do (Qt::IgnoreAction: nothing), with the status saying it.
    Qt::DropAction lstvProcs_OLEDragOver(const QMimeData* data, Qt::DropActions possible);
    // The drop itself; the effect it had.
    Qt::DropAction lstvProcs_OLEDragDrop(const QMimeData* data, Qt::DropAction effect);
    // Saves an item another document handed over in the selected category; false when nothing was.
    bool ProcDropSave(const DragExchangeRecord& item);
    // The question before an item is dropped into the library it came from; always asked.
    int ConfirmSameDatabase();
    bool DragSource() const { return m_dragSource; }
    bool CategoryDragging() const { return m_categoryDragging; }
    // The node under the mouse when a button other than the right one went down, or nullptr.
    controls::TreeNode* DragNode() const;
    IdeDragLink& ideDragLink() { return m_ideDrag; }

    // What the user does with the mouse on the tree: press (mouseDown), a drag of a category node
    // inside it, and drops of item rows and icon files on its nodes (node: the one under the mouse).
    void treCats_MouseUp();
    void treCats_DragOver(controls::TreeNode* node);
    void treCats_DragDrop();
    Qt::DropAction treCats_OLEDragOver(const QMimeData* data, controls::TreeNode* node);
    Qt::DropAction treCats_OLEDragDrop(const QMimeData* data, Qt::DropAction effect);
    // The pressed node is being dragged (CategoryDragging); false when none was pressed.
    bool beginCategoryDrag();
    // Begins the drag of the pressed node and runs it to its end.
    void startCategoryDrag();

    // ---- Window ----------------------------------------------------------------------------------

    void Show();
    void Paint();
    void Resize();
    // ---- Commands --------------------------------------------------------------------------------

    // Every tool click, from any band (bandName: the band of the clicked copy, may be empty).
    void dispatchTool(const QString& toolName, const QString& bandName = QString());
    // Whether a tool name has a row in the command table.
    static bool routesTool(const QString& toolName);
    // Whether a routed command is built; one that is not stays disabled with a tooltip saying so.
    static bool commandBuilt(const QString& toolName);

    // The library commands: the copy dialog, a new library group, a replica, synchronisation, and
    // repair and compact of the open library.
    void CopyLibrary();
    void NewLibraryGroup();
    void ReplicateLibrary();
    void SynchronizeLibraries();
    void RepairCompactLibrary();
    // Asks for the replica's file and makes it (the replica command).
    void ProcReplicate();
    // The engine's two replica steps, published for the hosts; errors are reported here.
    void MakeReplica(const QString& source, const QString& replica, int options, bool& result);
    bool SetReplicable(const QString& library);
    // The find window (one per document), brought forward when it is open.
    void ProcFind();

    // ---- Quick search ----------------------------------------------------------------------------

    // The statement the search box runs for text.
    static QString quickSearchSQL(const QString& text);
    // A search the box started has not reached the list yet, or not all of it.
    bool quickSearchPending() const;

signals:
    // The rows of the box's newest search are all in the list.
    void quickSearchShown();

public:
    // The library handle the document owns (nullptr while none is open).
    engine::Database* database() const override { return m_db; }
    // The leading number of a node or row key ("12 Key" gives 12).
    static int keyNumber(const QString& key);
    // The user's copy of the toolbar layout, and the file it is loaded from when there is none.
    QString userLayoutFile() const;
    QString defaultLayoutFile() const;

    // While the add-in creates its tool window, no document lays itself out.
    static void setToolWindowCreating(bool creating);
    static bool toolWindowCreating();

    // The child controls, by the names the rest of the program uses.
    QLineEdit* txtSearch;
    QCheckBox* chkShowHideTreeview;
    controls::StatusBar* StatusBar1;
    controls::TreeView* treCats = nullptr;
    controls::ImageList* imgLargeIcons;
    controls::ImageList* imgSmallIcons;
    controls::ListView* lstvProcs = nullptr;
    QFrame* picVertSplitter;
    QTimer* Timer1;
    toolbar::Bar* ActiveBar1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    using CommandRun = void (*)(MRVDocument& document, const QString& bandName);
    static const QHash<QString, CommandRun>& commandTable();
    // Disables the commands not built yet (their tips say so), or gives back what they had.
    void holdUnbuiltTools();
    void releaseUnbuiltTools();
    void notBuiltYet(const QString& toolName);
    void ActiveBar1_PageChange(const QString& bandName, int page);
    void ActiveBar1_LayoutChange(const QString& bandName);
    void ViewCategoriesCommand();
    void ViewMenuBarCommand();
    void ViewChangeCommand();
    void WebSiteCommand();
    void EmailBugsCommand();
    void VBAddInsCommand();
    void HideCommand();

    // Asks every library user to let the library go; false when one refused.
    bool askLibraryUsers();
    // Tells the users the library is back (sameLibrary) or gone; those told it is gone are dropped.
    void tellLibraryUsers(bool sameLibrary);

    // An item operation may run: a library is open and not being replaced (beeps otherwise).
    bool libraryReady() const;
    // The selected row when it stands for an item (not a category), else nullptr.
    controls::ListItem* selectedItemRow() const;
    void fileOpen(controls::ListItem* row, const QString& program, bool runAsked);
    void setItemTool(toolbar::Tool* tool, bool enabled);

    void createControls();
    void loadLayoutFile();
    // The steps of SettingsLoad.
    void restoreBars();
    void restoreTreeAndList();
    void setInstanceTools();
    void Timer1_Timer();
    void treCats_NodeClick(controls::TreeNode* node);

    // The status bar and the search box.
    void StatusBar1_PanelClick();
    void StatusBar1_PanelDblClick();
    void txtSearch_Change();
    bool txtSearchEvent(QEvent* event);
    void showSearchResult(std::shared_ptr<const SearchResult> result);
    // Nothing the box started reaches the list any more.
    void stopQuickSearch();

    // What the user does on the tree and around it.
    void treCats_BeforeLabelEdit(controls::TreeNode* node, bool& cancel);
    void treCats_AfterLabelEdit(controls::TreeNode* node, bool& cancel, const QString& newString);
    void treCats_KeyDown(int& keyCode, Qt::KeyboardModifiers modifiers);
    void treCats_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint& pos);
    void rekeyCategoryPicture(controls::TreeNode* node, const QString& oldKey, const QString& newKey);
    // The drag-and-drop events of the list's views and of the tree.
    bool listDragEvent(QEvent* event);
    bool treeDragEvent(QEvent* event);
    void runListDrag();
    Qt::DropAction dropFromDocument(const QMimeData* data);
    void dropFiles(const QList<QUrl>& urls);
    void openDroppedItem(const QString& codeType, const QString& code);
    void treeDropItem(const ItemMimeData& row, controls::TreeNode* target);
    void treeDropIcon(const QString& file, controls::TreeNode* target);
    void chkShowHideTreeview_Click();
    bool picVertSplitterEvent(QEvent* event);
    // x: the mouse in the bar, in twips.
    void picVertSplitter_MouseDown(Qt::MouseButton button, double x);
    void picVertSplitter_MouseMove(double x);
    void picVertSplitter_MouseUp();
    void showTips(bool modal);
    void showAbout();
    void showHelpCommand(bool contents);
    bool customIcons() const;
    QString instanceApp() const;

    // Item list rows and the category kind rule.
    void FolderRowsLoad(controls::TreeNode* node);
    void setCategoryKind(controls::TreeNode* node, int itemRows, int webItems, int fileItems, bool custom);

    QWidget* m_area;  // everything below the menu bar and the toolbars
    engine::Database* m_db = nullptr;
    bool m_documentIsLoaded = false;
    bool m_terminated = false;
    int m_instanceType = NoInstance;
    QString m_instanceName;
    QPointer<QObject> m_client, m_connect, m_vbInstance;
    QString m_savedCategoryKey = QStringLiteral("0 Key");
    QString m_workFile;
    QString m_layoutFile;
    QString m_searchSQL;
    bool m_checkboxGuard = false;
    bool m_layoutAllowed = false;
    int m_splitterDragX = INT_MAX;
    bool m_firstTreeWidth = false;  // no width saved: the first layout gives the tree its share
    bool m_layoutBusy = false;
    bool m_replacingLibrary = false;
    int m_dateSortColumn = 0;  // 1-based column last sorted by date, 0 before the first
    QString m_dragFilePath;
    bool m_dragSource = false;
    bool m_categoryDragging = false;
    QString m_dragNodeKey;
    QPoint m_treePressPos;
    QString m_dragType;   // the type of the row this document's drag carries
    QString m_dragLabel;  // and its label
    IdeDragLink m_ideDrag;
    QList<store::LibraryUser*> m_libraryUsers;
    QPointer<QWidget> m_closeWatched;        // the host window whose closing asks the library users first
    bool m_closeRefused = false;             // an editor kept that window open
    QHash<QString, QString> m_heldToolTips;  // unbuilt commands' own tips, while they are held
    SearchRunner* m_quickSearch;
    std::unique_ptr<ItemRowSource> m_rowSource;  // what the item list shows of each item
    QPointer<QWidget> m_findDialog;
};

// Creates a browser document inside parent and lets it take the instance kind the host announced.
QWidget* createDocument(QWidget* parent);

}  // namespace browser
