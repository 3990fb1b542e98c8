// Filling the list and the tree as the browser does against the same rows in plain Qt: the list
// beside a vector-backed table model reset once on a QTreeView, the tree beside a QStandardItemModel.
// Each fill ends when the view has laid out and painted the rows.
// MRV_BENCH_TINY=1 shrinks the sizes for the smoke run.

#include "bench/bench_support.h"
#include "platform/controls.h"
#include "store/form_routines.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHash>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace controls;

using bench::tiny;

struct Row {
    QString key, name, category, type, changed, description;
};

std::vector<Row> makeRows(int n) {
    std::vector<Row> rows;
    rows.reserve(n);
    for (int i = 0; i < n; ++i) {
        // Names in no particular order, so that a sorted fill has work to do.
        const int scrambled = int((i * 7919LL) % n);
        rows.push_back(
            {QString::number(i + 1) + " key", QString("Procedure %1").arg(scrambled),
             QString("Category %1").arg(i % 97), "Text/Code",
             QString("%1/%2/99").arg(i % 12 + 1, 2, 10, QChar('0')).arg(i % 28 + 1, 2, 10, QChar('0')),
             "A description of what the procedure does"});
    }
    return rows;
}

QPixmap icon(int size, const QColor& colour) {
    QPixmap pixmap(size, size);
    pixmap.fill(colour);
    return pixmap;
}

const char* const Columns[] = {"Name", "Category", "Type", "Changed", "Description"};

struct ListFixture {
    ImageList large{QSize(32, 32)}, small{QSize(16, 16)};
    ListView list;
    ListFixture() {
        large.add("TEXT", icon(32, Qt::darkGreen));
        small.add("TEXT", icon(16, Qt::darkGreen));
        list.setIcons(&large);
        list.setSmallIcons(&small);
        for (const char* c : Columns) list.addColumn(c, 120);
        list.setView(lvwReport);
        list.resize(800, 600);
        list.show();
    }
    void fill(const std::vector<Row>& rows) {
        for (const Row& r : rows) {
            ListItem* item = list.add(r.key, r.name, "TEXT", "TEXT");
            item->setTag(r.type);
            item->setSubItem(1, r.category);
            item->setSubItem(2, r.type);
            item->setSubItem(3, r.changed);
            item->setSubItem(4, r.description);
        }
    }
    void show() {
        QApplication::processEvents();
        list.detailsView()->viewport()->repaint();
    }
};

// What the browser's refill does: clear, add row by row, let events run.
void BM_ListFill_Ours(benchmark::State& state) {
    const auto rows = makeRows(int(state.range(0)));
    ListFixture f;
    for (auto _ : state) {
        f.list.clear();
        f.fill(rows);
        f.show();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ListFill_OursBatched(benchmark::State& state) {
    const auto rows = makeRows(int(state.range(0)));
    ListFixture f;
    for (auto _ : state) {
        f.list.clear();
        f.list.beginUpdate();
        f.fill(rows);
        f.list.endUpdate();
        f.show();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// After a column click the list stays sorted while it is refilled.
void BM_ListFill_OursSorted(benchmark::State& state) {
    const auto rows = makeRows(int(state.range(0)));
    ListFixture f;
    f.list.setSortKey(0);
    f.list.setSorted(true);
    for (auto _ : state) {
        f.list.clear();
        f.fill(rows);
        f.show();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The rows by number, read from a vector as the browser's source reads them from the library.
class VectorSource : public ListRowSource {
public:
    explicit VectorSource(const std::vector<Row>& rows) : m_rows(rows) {}
    void readRows(const qint64* ids, int count, ListRowData* out) const override {
        for (int i = 0; i < count; ++i) {
            const Row& r = m_rows[size_t(ids[i])];
            out[i].text = r.name;
            out[i].tag = r.type;
            out[i].icon = out[i].smallIcon = QStringLiteral("TEXT");
            out[i].subItems = {r.category, r.type, r.changed, r.description};
        }
    }
    QString key(qint64 id) const override { return m_rows[size_t(id)].key; }
    qint64 idOfKey(const QString&) const override { return -1; }

private:
    const std::vector<Row>& m_rows;
};

// What the browser's refill does now: the rows' numbers handed over at once, their texts read when shown.
void ListFill_ours(benchmark::State& state) {
    const auto rows = makeRows(int(state.range(0)));
    const VectorSource source(rows);
    std::vector<qint64> ids(rows.size());
    for (size_t i = 0; i < ids.size(); ++i) ids[i] = qint64(i);
    ListFixture f;
    f.list.setRowSource(&source);
    for (auto _ : state) {
        f.list.clear();
        f.list.addRows(ids);
        f.show();
    }
    state.counters["rows"] = double(f.list.count());
}

// A good plain program: the same rows in a vector behind a table model, reset once.
class VectorModel : public QAbstractTableModel {
public:
    const std::vector<Row>* rows = nullptr;
    QIcon icon;
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() || !rows ? 0 : int(rows->size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 5; }
    QVariant data(const QModelIndex& index, int role) const override {
        const Row& r = (*rows)[size_t(index.row())];
        if (role == Qt::DecorationRole && index.column() == 0) return icon;
        if (role != Qt::DisplayRole) return {};
        const QString* texts[] = {&r.name, &r.category, &r.type, &r.changed, &r.description};
        return *texts[index.column()];
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return QString::fromLatin1(Columns[section]);
    }
    void setRows(const std::vector<Row>* r) {
        beginResetModel();
        rows = r;
        endResetModel();
    }
};

void ListFill_plain(benchmark::State& state) {
    const auto rows = makeRows(int(state.range(0)));
    VectorModel model;
    model.icon = QIcon(icon(16, Qt::darkGreen));
    QTreeView view;
    view.setModel(&model);
    view.setRootIsDecorated(false);
    view.setUniformRowHeights(true);
    for (int c = 0; c < 5; ++c) view.header()->resizeSection(c, 120);
    view.resize(800, 600);
    view.show();
    for (auto _ : state) {
        model.setRows(nullptr);
        // The copy a program makes of what it read, as the list's own fill starts from rows in hand.
        auto copy = std::make_unique<std::vector<Row>>(rows);
        model.setRows(copy.get());
        QApplication::processEvents();
        view.viewport()->repaint();
        state.PauseTiming();
        model.setRows(nullptr);
        copy.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(rows.size());
}

// Row by row into a QStandardItemModel on a live view: the old baseline of the item-by-item fills.
void BM_ListFill_Plain(benchmark::State& state) {
    const auto rows = makeRows(int(state.range(0)));
    QStandardItemModel model;
    model.setHorizontalHeaderLabels({"Name", "Category", "Type", "Changed", "Description"});
    QTreeView view;
    view.setModel(&model);
    view.setRootIsDecorated(false);
    view.setUniformRowHeights(true);
    view.resize(800, 600);
    view.show();
    const QIcon text(icon(16, Qt::darkGreen));
    for (auto _ : state) {
        model.setRowCount(0);
        for (const Row& r : rows) {
            auto* name = new QStandardItem(text, r.name);
            name->setData(r.key, Qt::UserRole);
            model.appendRow({name, new QStandardItem(r.category), new QStandardItem(r.type),
                             new QStandardItem(r.changed), new QStandardItem(r.description)});
        }
        QApplication::processEvents();
        view.viewport()->repaint();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A category tree loaded level by level, each node added below its parent's key.
struct TreeShape {
    struct Node {
        QString parentKey, key, text;
    };
    std::vector<Node> nodes;
    explicit TreeShape(int count) {
        nodes.push_back({QString(), "0 Key", "Library.mdb"});
        for (int i = 1; i < count; ++i) {
            const int parent = (i - 1) / 8;  // eight children a node
            nodes.push_back({nodes[parent].key, QString("%1 Key").arg(i), QString("Category %1").arg(i)});
        }
    }
};

void BM_TreeFill_Ours(benchmark::State& state) {
    const TreeShape shape(int(state.range(0)));
    ImageList small(QSize(16, 16));
    small.add("FOLDER", icon(16, Qt::darkYellow));
    TreeView tree;
    tree.setImageList(&small);
    tree.resize(300, 600);
    tree.show();
    for (auto _ : state) {
        tree.clear();
        for (const auto& n : shape.nodes) tree.add(n.parentKey, tvwChild, n.key, n.text, "FOLDER");
        tree.node("0 Key")->setExpanded(true);
        QApplication::processEvents();
        tree.viewport()->repaint();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_TreeFill_Plain(benchmark::State& state) {
    const TreeShape shape(int(state.range(0)));
    QStandardItemModel model;
    QTreeView tree;
    tree.setHeaderHidden(true);
    tree.setModel(&model);
    tree.resize(300, 600);
    tree.show();
    const QIcon folder(icon(16, Qt::darkYellow));
    for (auto _ : state) {
        model.clear();
        QHash<QString, QStandardItem*> byKey;
        for (const auto& n : shape.nodes) {
            auto* item = new QStandardItem(folder, n.text);
            byKey.insert(n.key, item);
            (n.parentKey.isEmpty() ? model.invisibleRootItem() : byKey.value(n.parentKey))->appendRow(item);
        }
        tree.expand(model.index(0, 0));
        QApplication::processEvents();
        tree.viewport()->repaint();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Moving a branch of about a ninth of the tree back and forth between two parents.
void BM_MoveTreeBranch(benchmark::State& state) {
    const TreeShape shape(int(state.range(0)));
    TreeView tree;
    tree.resize(300, 600);
    tree.show();
    for (const auto& n : shape.nodes) tree.add(n.parentKey, tvwChild, n.key, n.text, "FOLDER");
    int moved = 0;
    for (auto _ : state) {
        const bool there = moved % 2 == 1;
        store::MoveTreeBranch(tree, "1 Key", there ? "0 Key" : "2 Key");
        ++moved;
    }
    state.SetItemsProcessed(state.iterations() * (state.range(0) / 8));
}

const int ListRows = tiny() ? 1000 : 100000;
const int TreeNodes = tiny() ? 200 : 5000;

BENCHMARK(BM_ListFill_Ours)->Arg(ListRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFill_OursBatched)->Arg(ListRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFill_OursSorted)->Arg(ListRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFill_Plain)->Arg(ListRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeFill_Ours)->Arg(TreeNodes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeFill_Plain)->Arg(TreeNodes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveTreeBranch)->Arg(TreeNodes)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RegisterBenchmark("ListFill/ours", ListFill_ours)
        ->Arg(ListRows)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ListFill/plain", ListFill_plain)
        ->Arg(ListRows)
        ->Unit(benchmark::kMillisecond);
    bench::RatioReporter reporter({{"ListFill", 1.2}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return bench::anyFailed() ? 1 : 0;
}
