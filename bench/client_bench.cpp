// From the host's navigation to the document showing the sample library, beside a plain Qt window
// holding the same menus, toolbar, category tree and item list read with plain SQLite, shown and
// painted, in the same run.

#include "bench/bench_support.h"
#include "bench/widgets_program.h"
#include "browser/MRVDocument.h"
#include "client/document_classes.h"
#include "platform/controls.h"
#include "platform/dochost.h"
#include "platform/sound.h"
#include "platform/ui.h"
#include "store/paths.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <sqlite3.h>

#include <array>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// Sees the window's first paint: "shown" means on the screen, not merely asked to show.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

// Runs events until the window has been painted once, then what is still pending (the rest of the
// document's children paint in the same pass).
void settle(QWidget* w, PaintWatch& watch) {
    while (!watch.painted) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
    if (!w->isVisible()) throw std::runtime_error("the window was not shown");
}

void Navigate_ours(benchmark::State& state) {
    bench::guarded(state, [&] {
        const QString vbd = store::programFolder() + "/MRVDocument.vbd";
        long items = 0;
        for (auto _ : state) {
            // The client's hand-over and navigation, as frmMain does it.
            store::SaveSetting(store::generalAppName(), "General Properties", "Loading Instance", "2");
            auto host = std::make_unique<DocumentHost>();
            PaintWatch watch;
            host->installEventFilter(&watch);
            host->resize(1000, 700);
            host->show();
            QObject* document = nullptr;
            QObject::connect(host.get(), &DocumentHost::NavigateComplete, [&](QObject* d) { document = d; });
            host->Navigate(vbd);
            while (!document) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            QMetaObject::invokeMethod(document, "FormatWindow");
            watch.painted = false;  // the document's own paint, not the empty host's
            static_cast<QWidget*>(document)->installEventFilter(&watch);
            settle(host.get(), watch);
            auto* doc = qobject_cast<browser::MRVDocument*>(document);
            if (!doc || doc->DBFileName().isEmpty())
                throw std::runtime_error("the sample library did not open");
            items = doc->lstvProcs->count();
            state.PauseTiming();
            host.reset();
            QApplication::processEvents();
            state.ResumeTiming();
        }
        if (!ui::testing::shownBoxes().isEmpty())
            throw std::runtime_error(
                ("a message appeared: " + ui::testing::shownBoxes()[0].text).toStdString());
        state.counters["list_rows"] = double(items);
    });
}

// What the plain window shows of the document's bars: the menus and the toolbar's first page, with
// the same captions and pictures. A plain program would have these in its code; they are read from the
// shipped layout once, before timing.
struct PlainBars {
    struct Tool {
        QString caption, picture;
    };
    std::vector<std::pair<QString, std::vector<Tool>>> menus;
    std::vector<Tool> toolbar;
    QStringList pages;

    PlainBars() {
        QFile file(store::programFolder() + "/Toolbars.tb");
        if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("no toolbar layout");
        const QRegularExpression tool(R"re(^tool (\S+).*caption="([^"]*)")re"),
            picture(R"re(picture="([^"]*)")re"), band(R"re(^band (\S+) kind=(\S+) caption="([^"]*)")re"),
            item(R"re(^\s+item (\S+)( page=(\d+))?)re"), page(R"re(^\s+page "([^"]*)")re");
        std::map<QString, Tool> tools;
        QString kind;
        for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
            if (const auto m = tool.match(line); m.hasMatch()) {
                tools[m.captured(1)] = {m.captured(2), picture.match(line).captured(1)};
            } else if (const auto m = band.match(line); m.hasMatch()) {
                kind = m.captured(2);
                if (kind == "submenu") menus.push_back({m.captured(3), {}});
            } else if (const auto m = page.match(line); m.hasMatch()) {
                pages << m.captured(1);
            } else if (const auto m = item.match(line); m.hasMatch()) {
                const Tool t = tools[m.captured(1)];
                if (kind == "submenu") menus.back().second.push_back(t);
                if (kind == "toolbar" && m.captured(3).isEmpty()) toolbar.push_back(t);
            }
        }
    }
};

// The list's rows as a plain program keeps them, behind a model reset once.
class VectorModel : public QAbstractTableModel {
public:
    std::vector<std::array<QString, 5>> rows;
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(rows.size()); }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 5; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole) return {};
        return rows[size_t(index.row())][size_t(index.column())];
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const names[] = {"Name", "Category", "Type", "Changed", "Description"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return QString::fromLatin1(names[section]);
    }
    void setRows(std::vector<std::array<QString, 5>> read) {
        beginResetModel();
        rows = std::move(read);
        endResetModel();
    }
};

QString text(sqlite3_stmt* stmt, int c) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                             sqlite3_column_bytes(stmt, c));
}

template <typename Each>
void eachRow(sqlite3* db, const char* sql, Each each) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    while (sqlite3_step(stmt) == SQLITE_ROW) each(stmt);
    sqlite3_finalize(stmt);
}

// The same screen as a good plain program makes it from the same library: menus, a tab strip of the
// toolbar's pages and its first page's buttons, the category tree built apart from its view, the
// root's rows (the shown columns only) in a vector behind a table model, a status bar.
std::unique_ptr<QWidget> plainWindow(const PlainBars& bars, const std::string& library, long& items) {
    auto window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    auto* menus = new QMenuBar(window.get());
    for (const auto& [title, tools] : bars.menus) {
        QMenu* menu = menus->addMenu(title);
        for (const auto& t : tools) menu->addAction(QIcon(t.picture), t.caption);
    }
    layout->addWidget(menus);
    auto* strip = new QHBoxLayout;
    auto* pages = new QTabBar(window.get());
    for (const QString& page : bars.pages) pages->addTab(page);
    strip->addWidget(pages);
    auto* toolbar = new QToolBar(window.get());
    for (const auto& t : bars.toolbar) toolbar->addAction(QIcon(t.picture), t.caption);
    strip->addWidget(toolbar, 1);
    layout->addLayout(strip);
    auto* panes = new QHBoxLayout;
    auto* tree = new QTreeView(window.get());
    auto* list = new QTreeView(window.get());
    panes->addWidget(tree, 1);
    panes->addWidget(list, 3);
    layout->addLayout(panes, 1);
    layout->addWidget(new QStatusBar(window.get()));

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(library.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("open");
    auto* treeModel = new QStandardItemModel(window.get());
    QHash<qint64, QStandardItem*> byKey;
    std::vector<std::pair<QStandardItem*, qint64>> parents;
    const QIcon folder(":/icons/FOLDER16.png");
    eachRow(db, "SELECT CatKey, ParentKey, Name FROM Category ORDER BY Name", [&](sqlite3_stmt* s) {
        auto* node = new QStandardItem(folder, text(s, 2));
        byKey.insert(sqlite3_column_int64(s, 0), node);
        parents.emplace_back(node, sqlite3_column_int64(s, 1));
    });
    auto* root = new QStandardItem(QStringLiteral("Sample Code Library"));
    for (const auto& [node, parent] : parents) {
        QStandardItem* above = byKey.value(parent, root);
        (above == node ? root : above)->appendRow(node);
    }
    treeModel->appendRow(root);
    tree->setHeaderHidden(true);
    tree->setModel(treeModel);
    tree->expand(treeModel->index(0, 0));
    auto* rows = new VectorModel;
    rows->setParent(window.get());
    // The root's categories come first in the list, as folders.
    std::vector<std::array<QString, 5>> read;
    for (int i = 0; i < root->rowCount(); ++i) read.push_back({root->child(i)->text(), {}, {}, {}, {}});
    eachRow(db,
            "SELECT P.Name, C.Name, P.Type, P.LastChanged, P.Desc FROM \"Procedure\" AS P, Category AS C "
            "WHERE P.CatKey = C.CatKey ORDER BY C.Name, P.Name",
            [&](sqlite3_stmt* s) {
                read.push_back({text(s, 0), text(s, 1), text(s, 2), text(s, 3), text(s, 4)});
            });
    sqlite3_close(db);
    items = long(read.size());
    rows->setRows(std::move(read));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setModel(rows);
    return window;
}

void Navigate_plain(benchmark::State& state) {
    bench::guarded(state, [&] {
        const PlainBars bars;
        const std::string library =
            (store::programFolder() + "/Library/Sample Code Library.mdb").toStdString();
        long items = 0;
        for (auto _ : state) {
            auto window = plainWindow(bars, library, items);
            PaintWatch watch;
            window->installEventFilter(&watch);
            window->resize(1000, 700);
            window->show();
            settle(window.get(), watch);
            state.PauseTiming();
            window.reset();
            QApplication::processEvents();
            state.ResumeTiming();
        }
        state.counters["list_rows"] = double(items);
    });
}

}  // namespace

int main(int argc, char** argv) {
    const bench::WidgetsProgram program(argc, argv, true);
    if (!program.argumentsKnown()) return 2;
    store::setProgramFolder(MRV_PROGRAM_DIR);
    store::StartUp();
    client::registerDocumentClasses();
    const int iterations = bench::tiny() ? 1 : 10;
    bench::registerCase("Navigate/ours", Navigate_ours, iterations);
    bench::registerCase("Navigate/plain", Navigate_plain, iterations);
    bench::RatioReporter reporter({{"Navigate", 2.0}}, {});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return bench::anyFailed() ? 1 : 0;
}
