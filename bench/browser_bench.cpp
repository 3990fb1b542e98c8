// The browser document loading a large library (tree, pictures and the root's item list, shown and
// painted) against plain SQLite reading the same rows, in the same run, with the process's peak
// memory. MRV_BENCH_TINY=1 uses a tiny library for the smoke run.

#include "bench/bench_support.h"
#include "bench/make_library.h"
#include "bench/widgets_program.h"
#include "browser/MRVDocument.h"
#include "platform/controls.h"
#include "platform/sound.h"
#include "platform/ui.h"
#include "store/settings.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTreeView>

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

using bench::guarded;
using bench::PeakGrowth;
using bench::statusKb;
using bench::tiny;

const std::string& library() {
    static const std::string path = [] {
        bench::SyntheticSpec spec;
        spec.largeFiles = 0;
        spec.items = bench::benchItems();
        if (tiny()) {
            spec.categories = 12;
            spec.depth = 3;
            spec.items = 300;
        }
        return bench::cachedLibrary(spec);
    }();
    return path;
}

QString column(sqlite3_stmt* stmt, int c) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                             sqlite3_column_bytes(stmt, c));
}

// The rows of the list as a plain program keeps them: every shown text in a vector.
class VectorModel : public QAbstractTableModel {
public:
    struct Row {
        QString name, catName, type, changed, desc;
    };
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 5; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole) return {};
        const Row& r = m_rows[size_t(index.row())];
        const QString* texts[] = {&r.name, &r.catName, &r.type, &r.changed, &r.desc};
        return *texts[index.column()];
    }
    void setRows(std::vector<Row> rows) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    std::vector<Row> take() {
        beginResetModel();
        std::vector<Row> rows = std::move(m_rows);
        m_rows.clear();
        endResetModel();
        return rows;
    }

private:
    std::vector<Row> m_rows;
};

template <typename Each>
void eachRow(sqlite3* db, const char* sql, Each each) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    while (sqlite3_step(stmt) == SQLITE_ROW) each(stmt);
    sqlite3_finalize(stmt);
}

// The same screen as a good plain program makes it: the tree's categories built into a model away from
// its view and handed over whole, the root's rows (the shown columns only) read into a vector behind a
// table model reset once, in a window of the same size, shown and painted.
struct PlainScreen {
    QWidget window;
    QTreeView* tree = new QTreeView(&window);
    QTreeView* list = new QTreeView(&window);
    VectorModel rows;
    std::unique_ptr<QStandardItemModel> treeModel;
    long categories = 0, items = 0;

    PlainScreen() {
        auto* layout = new QHBoxLayout(&window);
        layout->addWidget(tree, 1);
        layout->addWidget(list, 3);
        list->setModel(&rows);
        list->setUniformRowHeights(true);
        list->setRootIsDecorated(false);
        window.resize(1000, 700);
        window.show();
    }
    void load(sqlite3* db) {
        auto built = std::make_unique<QStandardItemModel>();
        QHash<qint64, QStandardItem*> byKey;
        std::vector<std::pair<QStandardItem*, qint64>> parents;
        eachRow(db, "SELECT CatKey, ParentKey, Name FROM Category ORDER BY Name", [&](sqlite3_stmt* s) {
            auto* node = new QStandardItem(column(s, 2));
            byKey.insert(sqlite3_column_int64(s, 0), node);
            parents.emplace_back(node, sqlite3_column_int64(s, 1));
        });
        auto* root = new QStandardItem(QStringLiteral("library"));
        for (const auto& [node, parent] : parents) {
            QStandardItem* above = byKey.value(parent, root);
            (above == node ? root : above)->appendRow(node);
        }
        built->appendRow(root);
        tree->setModel(built.get());
        tree->expand(built->index(0, 0));
        treeModel = std::move(built);
        categories = long(parents.size());
        std::vector<VectorModel::Row> read;
        eachRow(db,
                "SELECT P.Name, C.Name, P.Type, P.LastChanged, P.Desc FROM \"Procedure\" AS P, Category AS C "
                "WHERE P.CatKey = C.CatKey ORDER BY C.Name, P.Name",
                [&](sqlite3_stmt* s) {
                    read.push_back({column(s, 0), column(s, 1), column(s, 2), column(s, 3), column(s, 4)});
                });
        items = long(read.size());
        rows.setRows(std::move(read));
        QApplication::processEvents();
        list->viewport()->repaint();
    }
};

sqlite3* openPlain() {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(library().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("open");
    return db;
}

void SystemInit_plain(benchmark::State& state) {
    guarded(state, [&] {
        sqlite3* db = openPlain();
        PeakGrowth peak;
        PlainScreen screen;
        QApplication::processEvents();
        for (auto _ : state) screen.load(db);
        sqlite3_close(db);
        state.counters["categories"] = double(screen.categories);
        state.counters["items"] = double(screen.items);
        state.counters["peak_growth_MB"] = peak.kb() / 1024;
        state.counters["peak_MB"] = statusKb("VmHWM") / 1024.0;
    });
}

// A program's first screen: the library opened and the window made, filled, shown and painted.
void Open_plain(benchmark::State& state) {
    guarded(state, [&] {
        PeakGrowth peak;
        long categories = 0, items = 0;
        for (auto _ : state) {
            sqlite3* db = openPlain();
            auto screen = std::make_unique<PlainScreen>();
            screen->load(db);
            sqlite3_close(db);
            categories = screen->categories;
            items = screen->items;
            state.PauseTiming();
            screen.reset();
            state.ResumeTiming();
        }
        state.counters["categories"] = double(categories);
        state.counters["items"] = double(items);
        state.counters["peak_MB"] = statusKb("VmHWM") / 1024.0;
    });
}

void useLibrary() {
    store::SaveSetting(store::instanceAppName(QStringLiteral("\\(Browser)")), QStringLiteral("Properties"),
                       QStringLiteral("Current Library"), QString::fromStdString(library()));
}

// Counts the shown tree and list as the plain side counts its own.
void countShown(browser::MRVDocument& doc, long& categories, long& items) {
    categories = doc.treCats->count() - 1;
    const controls::TreeNode* root = doc.treCats->findNode(QStringLiteral("0 Key"));
    items = doc.lstvProcs->count() - (root ? root->children() : 0);
}

// The document as the program starts it: made, the library opened, SystemInit at the root, shown and
// painted. Its peak is the process's from a fresh high-water mark (the plain side has run before).
void Open_ours(benchmark::State& state) {
    guarded(state, [&] {
        useLibrary();
        PeakGrowth peak;
        long categories = 0, items = 0;
        for (auto _ : state) {
            auto doc = std::make_unique<browser::MRVDocument>();
            doc->InitProperties();
            if (doc->DBFileName().isEmpty()) throw std::runtime_error("the library did not open");
            doc->resize(1000, 700);
            doc->show();
            QApplication::processEvents();
            doc->lstvProcs->detailsView()->viewport()->repaint();
            countShown(*doc, categories, items);
            state.PauseTiming();
            doc.reset();
            QApplication::processEvents();
            state.ResumeTiming();
        }
        state.counters["categories"] = double(categories);
        state.counters["items"] = double(items);
        state.counters["peak_MB"] = statusKb("VmHWM") / 1024.0;
    });
}

// The document as a host starts it, then every iteration reloads it as a library change does and
// waits until the list has been laid out and painted.
void SystemInit_ours(benchmark::State& state) {
    guarded(state, [&] {
        useLibrary();
        PeakGrowth peak;
        auto doc = std::make_unique<browser::MRVDocument>();
        doc->InitProperties();
        if (doc->DBFileName().isEmpty()) throw std::runtime_error("the library did not open");
        doc->resize(1000, 700);
        doc->show();
        QApplication::processEvents();
        long categories = 0, items = 0;
        for (auto _ : state) {
            doc->SystemInit();
            QApplication::processEvents();
            doc->lstvProcs->detailsView()->viewport()->repaint();
            countShown(*doc, categories, items);
        }
        if (!ui::testing::shownBoxes().isEmpty())
            throw std::runtime_error(
                ("a message appeared: " + ui::testing::shownBoxes()[0].text).toStdString());
        state.counters["categories"] = double(categories);
        state.counters["items"] = double(items);
        state.counters["peak_growth_MB"] = peak.kb() / 1024;
        state.counters["peak_MB"] = statusKb("VmHWM") / 1024.0;
        doc.reset();
    });
}

// A click on the "Changed" header of the root's list, until the list is painted in its new order:
// the first click sorts ascending, the next descending, and so on.
void SortByDate_ours(benchmark::State& state) {
    guarded(state, [&] {
        useLibrary();
        auto doc = std::make_unique<browser::MRVDocument>();
        doc->InitProperties();
        if (doc->DBFileName().isEmpty()) throw std::runtime_error("the library did not open");
        doc->resize(1000, 700);
        doc->show();
        QApplication::processEvents();
        for (auto _ : state) {
            emit doc->lstvProcs->detailsView()->header()->sectionClicked(3);
            QApplication::processEvents();
            doc->lstvProcs->detailsView()->viewport()->repaint();
        }
        state.counters["rows"] = double(doc->lstvProcs->count());
    });
}

// The plain window's rows sorted by their stored date (ISO text, so that it sorts as it reads), each
// click reversing the order, the model reset and painted.
void SortByDate_plain(benchmark::State& state) {
    guarded(state, [&] {
        sqlite3* db = openPlain();
        PlainScreen screen;
        screen.load(db);
        sqlite3_close(db);
        bool ascending = false;
        for (auto _ : state) {
            ascending = !ascending;
            std::vector<VectorModel::Row> rows = screen.rows.take();
            std::stable_sort(rows.begin(), rows.end(), [ascending](const auto& a, const auto& b) {
                return ascending ? a.changed < b.changed : b.changed < a.changed;
            });
            screen.rows.setRows(std::move(rows));
            QApplication::processEvents();
            screen.list->viewport()->repaint();
        }
        state.counters["rows"] = double(screen.rows.rowCount({}) + screen.treeModel->item(0)->rowCount());
    });
}

}  // namespace

int main(int argc, char** argv) {
    const bench::WidgetsProgram program(argc, argv);
    if (!program.argumentsKnown()) return 2;
    try {
        std::fprintf(stderr, "library: %s\n", library().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot make the library: %s\n", e.what());
        return 1;
    }
    // Plain first, so that its peak is not the document's.
    const int iterations = tiny() ? 1 : 5;
    bench::registerCase("SystemInit/plain", SystemInit_plain, iterations);
    bench::registerCase("SystemInit/ours", SystemInit_ours, iterations);
    bench::registerCase("Open/plain", Open_plain, iterations);
    bench::registerCase("Open/ours", Open_ours, iterations);
    bench::registerCase("SortByDate/plain", SortByDate_plain, iterations);
    bench::registerCase("SortByDate/ours", SortByDate_ours, iterations);
    bench::RatioReporter reporter({{"SystemInit", 1.2}, {"Open", 1.2}, {"SortByDate", 1.5}},
                                  {"categories", "items", "rows"});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return bench::anyFailed() ? 1 : 0;
}
