#pragma once

#include "platform/controls_base.h"
#include "platform/image_list.h"

namespace controls {

// List view

class ListModel;
class ListView;

// What a row that the control holds only by its number shows: read when the row is shown, never
// kept for every row.
struct ListRowData {
    QString text, tag, icon, smallIcon;
    QStringList subItems;
    QHash<int, QString> sortTexts;  // as ListItem::setSortText
};

// What sorting by sub-item key (0 = the label) compares for a row: its own sort text, else the text
// shown.
QString sortTextOf(const ListRowData& row, int key);

// Supplies the rows added by number (ListView::addRows), so that a long list holds 16 bytes a row
// rather than every text it shows.
class ListRowSource {
public:
    virtual ~ListRowSource() = default;
    // Fills out[i] for ids[i]; an id no longer known gets an empty row. The control asks for a row
    // together with its neighbours, so a source that reads storage reads them in one go.
    virtual void readRows(const qint64* ids, int count, ListRowData* out) const = 0;
    // Fills out[i] with sortTextOf(the row of ids[i], key). Sorting asks for every row: a source that
    // can read the one column sorted by, rather than whole rows, does it here.
    virtual void readSortTexts(const qint64* ids, int count, int key, QString* out) const;
    virtual QString key(qint64 id) const = 0;
    // The id whose key is key, or -1 when key is not the key of a row of this source.
    virtual qint64 idOfKey(const QString& key) const = 0;
};

enum ListViewStyle : int { lvwIcon = 0, lvwSmallIcon = 1, lvwList = 2, lvwReport = 3 };
enum ListSortOrder : int { lvwAscending = 0, lvwDescending = 1 };

class ListItem {
public:
    ListItem(const ListItem&) = delete;
    ListItem& operator=(const ListItem&) = delete;

    const QString& key() const { return m_key; }
    // A key in use raises errKeyNotUnique.
    void setKey(const QString& key);
    const QString& text() const { return m_text; }
    void setText(const QString& text);
    // Sub-item i (1-based) is shown in column i + 1; a sub-item never set is empty.
    QString subItem(int i) const;
    void setSubItem(int i, const QString& text);
    const QString& tag() const { return m_tag; }
    void setTag(const QString& tag) { m_tag = tag; }
    // What sorting by sub-item i (0 = the label) compares instead of the text shown, such as a date
    // in a form that sorts; an empty text goes back to the shown one.
    void setSortText(int i, const QString& text);
    // Keys into the large and the small image list.
    const QString& icon() const { return m_icon; }
    void setIcon(const QString& key);
    const QString& smallIcon() const { return m_smallIcon; }
    void setSmallIcon(const QString& key);
    // 1-based position in the list; it changes when rows are sorted, inserted or removed.
    int index() const;
    bool selected() const;
    void ensureVisible();

private:
    friend class ListModel;
    friend class ListView;
    ListItem() = default;

    ListModel* m_model = nullptr;
    int m_row = 0;
    QString m_key, m_text, m_tag, m_icon, m_smallIcon;
    QStringList m_subItems;
    QHash<int, QString> m_sortTexts;
};

class ListView : public QWidget {
    Q_OBJECT
public:
    // The old extended-style bits this control honours.
    enum ExtendedStyle : int { FullRowSelect = 0x20 };

    explicit ListView(QWidget* parent = nullptr);
    ~ListView() override;

    // Appends a row (while Sorted is on, it moves to its place once shown). Raises
    // errKeyNotUnique for a key in use (an empty key is no key).
    ListItem* add(const QString& key, const QString& text, const QString& icon = QString(),
                  const QString& smallIcon = QString());
    void remove(const QString& key);
    void remove(ListItem* item);
    void clear();
    int count() const { return int(m_rows.size()); }

    // Rows known by number only, shown through the row source; a row becomes a ListItem of its own
    // (with the texts of that moment) only when a caller asks for it. The source is not owned and
    // must outlive the rows.
    void setRowSource(const ListRowSource* source);
    void addRows(const std::vector<qint64>& ids);
    // Forgets what was read of the source's rows, which show what the source now says.
    void refreshRows();
    // The row at index (1-based) when it is a ListItem already, else nullptr; never reads the source.
    ListItem* loadedItem(int index) const;
    // Raises errElementNotFound.
    ListItem* item(const QString& key) const;
    ListItem* item(int index) const;
    ListItem* findItem(const QString& key) const;

    // Between these, rows are gathered and shown at once (nestable). Rows appended outside them
    // are gathered too, until control returns to the event loop or another change needs them.
    void beginUpdate();
    void endUpdate();

    // Column headers, 1-based; column 1 holds the row's label.
    int addColumn(const QString& text, int width = 96, const QString& key = QString(),
                  Qt::Alignment alignment = Qt::AlignLeft);
    void removeColumn(int index);
    void clearColumns();
    int columnCount() const { return int(m_columns.size()); }
    QString columnText(int index) const;
    void setColumnText(int index, const QString& text);
    QString columnKey(int index) const;
    int columnWidth(int index) const;
    void setColumnWidth(int index, int width);

    ListViewStyle view() const { return m_view; }
    void setView(ListViewStyle view);

    // Sorting orders the rows by the text of column SortKey + 1 (0 = the label), ignoring case,
    // keeping the order of equal rows; the order stays when the key's column goes away. While
    // Sorted is on, rows added are sorted in when they are shown or asked for by index.
    int sortKey() const { return m_sortKey; }
    void setSortKey(int key);
    ListSortOrder sortOrder() const { return m_sortOrder; }
    void setSortOrder(ListSortOrder order);
    bool sorted() const { return m_sorted; }
    void setSorted(bool sorted);

    ListItem* selectedItem() const;
    void setSelectedItem(ListItem* item);
    ListItem* dropHighlight() const { return m_dropHighlight; }
    void setDropHighlight(ListItem* item);
    // The row at pos (this control's coordinates), or nullptr.
    ListItem* hitTest(const QPoint& pos) const;
    void ensureVisible(ListItem* item);

    ImageList* icons() const { return m_largeImages; }
    void setIcons(ImageList* images);
    ImageList* smallIcons() const { return m_smallImages; }
    void setSmallIcons(ImageList* images);

    LabelEditMode labelEdit() const { return m_labelEdit; }
    void setLabelEdit(LabelEditMode mode);
    void startLabelEdit();

    // While on, dragging a row with the mouse emits oleStartDrag (whose receiver runs the drag) rather
    // than selecting the rows passed over.
    bool oleDragRows() const { return m_oleDragRows; }
    void setOLEDragMode(bool automatic);

    int extendedStyle() const { return m_extendedStyle; }
    void setExtendedStyle(int style);
    bool fullRowSelect() const { return m_extendedStyle & FullRowSelect; }

    // The view that shows the rows now (details or icons).
    QAbstractItemView* currentView() const;
    QTreeView* detailsView() const { return m_details; }
    QListView* iconView() const { return m_iconView; }
    ListItem* itemFromIndex(const QModelIndex& index) const;

signals:
    // The user chose a row with the mouse or the keyboard.
    void itemClick(controls::ListItem* item);
    void click();
    void dblClick();
    void columnClick(int index);
    void beforeLabelEdit(controls::ListItem* item, bool& cancel);
    void afterLabelEdit(controls::ListItem* item, bool& cancel, const QString& newString);
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint& pos);
    // A receiver that sets keyCode to 0 has used the key: it goes no further.
    void keyDown(int& keyCode, Qt::KeyboardModifiers modifiers);
    // The user began to drag the selected row.
    void oleStartDrag();

private:
    friend class ListItem;
    friend class ListModel;
    friend class ListDetailsView;
    friend class ListIconView;
    struct Column {
        QString key, text;
        int width = 96;
        Qt::Alignment alignment = Qt::AlignLeft;
    };

    struct Row {
        std::unique_ptr<ListItem> item;  // nullptr while the row is known by number only
        qint64 id = -1;
    };

    ListItem* insertItem(std::unique_ptr<ListItem> item);
    // The row's ListItem, made from the source the first time it is asked for.
    ListItem* handle(int row) const;
    const ListRowData& lazyRow(int row) const;
    QString sortText(const ListItem* item) const;
    void sortItems();
    void flushPending();
    void schedulePendingFlush();
    void renumber(int from);
    void applyIconSizes();
    void applyColumnWidths();
    void requireColumn(int index) const;
    // Hooks of the two inner views.
    bool refusesEdit(const QModelIndex& index, bool asking);
    // True when a keyDown receiver used the key.
    bool viewKeyPressed(QKeyEvent* event);
    void viewCurrentMoved(const QModelIndex& before, const QModelIndex& after);
    void viewMousePressed(QAbstractItemView* view, QMouseEvent* event);
    void commitLabel(const QModelIndex& index, const QString& text);

    ListModel* m_model;
    QTreeView* m_details;
    QListView* m_iconView;
    mutable std::vector<Row> m_rows;
    mutable QHash<QString, ListItem*> m_byKey;
    const ListRowSource* m_source = nullptr;
    mutable QHash<qint64, ListRowData> m_lazyRows;  // rows read lately, bounded
    int m_shownRows = 0;                            // rows the model has announced; the rest are gathered
    int m_updateDepth = 0;
    bool m_flushScheduled = false;
    std::vector<Column> m_columns;
    ListViewStyle m_view = lvwIcon;
    int m_sortKey = 0;
    ListSortOrder m_sortOrder = lvwAscending;
    bool m_sorted = false;
    QPointer<ImageList> m_largeImages, m_smallImages;
    QMetaObject::Connection m_largeChanged, m_smallChanged;
    ListItem* m_dropHighlight = nullptr;
    LabelEditMode m_labelEdit = lvwAutomatic;
    int m_extendedStyle = 0;
    bool m_oleDragRows = false;
};

}  // namespace controls
