// From the click on the add-in's button in the IDE to the docked browser painted with the sample
// library, beside a dock of the same IDE window holding a plain tree and list filled from plain
// SQLite with the same rows ("Click"), and beside the same browser document put into a plain dock
// by hand, which tells the add-in's and the IDE's own share ("AddIn"), in the same run.

#include "bench/bench_support.h"
#include "bench/widgets_program.h"
#include "browser/MRVDocument.h"
#include "client/document_classes.h"
#include "ide/Connect.h"
#include "ide/ide_window.h"
#include "platform/controls.h"
#include "platform/dochost.h"
#include "platform/sound.h"
#include "platform/ui.h"
#include "store/paths.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QApplication>
#include <QDockWidget>
#include <QFileInfo>
#include <QHash>
#include <QHeaderView>
#include <QSplitter>
#include <QTreeWidget>

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace {

// Sees the first paint of the list that shows the items: the moment the user sees the library.
class ListPaintWatch : public QObject {
public:
    std::function<bool(QObject*)> isList;
    bool painted = false;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted && isList && isList(watched)) painted = true;
        return false;
    }
    void waitForPaint() {
        while (!painted) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
    }
};

QString sampleLibrary() {
    return store::programFolder() + QStringLiteral("/Library/Sample Code Library.mdb");
}

struct Ide {
    std::unique_ptr<ide::IdeWindow> window = std::make_unique<ide::IdeWindow>();
    ide::AddInEntry* entry = nullptr;

    Ide() {
        window->resize(1200, 800);
        window->newProject();
        window->show();
        QApplication::processEvents();
        store::RegisterAddIn();
        window->vbe()->readAddInList();
        entry = static_cast<ide::AddInEntry*>(window->vbe()->Addins()->Item(ide::Connect::kProgId));
    }
    ide::Connect* connect() {
        entry->connectAddIn(ide::ConnectAfterStartup);
        return qobject_cast<ide::Connect*>(entry->Object());
    }
};

bool isDocumentList(QObject* o) {
    for (QObject* p = o; p; p = p->parent())
        if (auto* doc = qobject_cast<browser::MRVDocument*>(p))
            return o == doc->lstvProcs->detailsView()->viewport() && !doc->DBFileName().isEmpty();
    return false;
}

void Click_ours(benchmark::State& state) {
    bench::guarded(state, [&] {
        store::SaveSetting(ide::Connect::addInApp(), "Properties", "Current Library", sampleLibrary());
        Ide ide;
        ListPaintWatch watch;
        watch.isList = isDocumentList;
        qApp->installEventFilter(&watch);
        long rows = 0;
        for (auto _ : state) {
            state.PauseTiming();
            ide::Connect* addIn = ide.connect();
            // The toolbars laid out again with the add-in's controls, long before a person clicks.
            QApplication::processEvents();
            watch.painted = false;
            state.ResumeTiming();
            static_cast<ide::Control*>(addIn->toolbarButton())->action()->trigger();
            watch.waitForPaint();
            state.PauseTiming();
            auto* doc = qobject_cast<browser::MRVDocument*>(addIn->document());
            if (!doc || !addIn->toolWindow()->Visible()) throw std::runtime_error("the browser did not dock");
            rows = doc->lstvProcs->count();
            ide.entry->disconnectAddIn(ide::RemoveByUser);
            QApplication::processEvents();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            state.ResumeTiming();
        }
        qApp->removeEventFilter(&watch);
        if (!ui::testing::shownBoxes().isEmpty())
            throw std::runtime_error(
                ("a message appeared: " + ui::testing::shownBoxes()[0].text).toStdString());
        state.counters["rows"] = double(rows);
    });
}

// What a good engineer would write for the same view: the category tree and the root's list (its
// child categories, then every item with its category), from the same queries.
QWidget* plainBrowser(const QString& library, QTreeWidget*& list) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(library.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open the library");
    auto* splitter = new QSplitter;
    auto* tree = new QTreeWidget(splitter);
    tree->setHeaderHidden(true);
    list = new QTreeWidget(splitter);
    list->setRootIsDecorated(false);
    list->setHeaderLabels({"Name", "Category", "Type", "Changed", "Description"});
    const QIcon folder(":/icons/FOLDER16.png"), text(":/icons/TEXT16.png"), web(":/icons/WEB16.png"),
        file(":/icons/FILE16.png");
    const auto column = [](sqlite3_stmt* s, int i) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
    };

    auto* root = new QTreeWidgetItem(tree, QStringList{QFileInfo(library).completeBaseName()});
    QHash<qint64, QTreeWidgetItem*> nodes;
    nodes.insert(0, root);
    QList<std::pair<qint64, QTreeWidgetItem*>> pending;
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "SELECT CatKey, ParentKey, Name FROM Category ORDER BY Name", -1, &s, nullptr);
    while (sqlite3_step(s) == SQLITE_ROW) {
        auto* node = new QTreeWidgetItem(QStringList{column(s, 2)});
        node->setIcon(0, folder);
        nodes.insert(sqlite3_column_int64(s, 0), node);
        pending.append({sqlite3_column_int64(s, 1), node});
    }
    sqlite3_finalize(s);
    for (const auto& [parent, node] : pending) nodes.value(parent, root)->addChild(node);
    root->setExpanded(true);
    tree->setCurrentItem(root);
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < root->childCount(); ++i) {
        auto* row = new QTreeWidgetItem(QStringList{root->child(i)->text(0)});
        row->setIcon(0, folder);
        rows << row;
    }
    sqlite3_prepare_v2(
        db,
        "SELECT P.Name, C.Name, P.Type, P.LastChanged, P.Desc FROM \"Procedure\" AS P, Category AS C "
        "WHERE P.CatKey = C.CatKey ORDER BY C.Name, P.Name",
        -1, &s, nullptr);
    while (sqlite3_step(s) == SQLITE_ROW) {
        const QString type = column(s, 2);
        auto* row =
            new QTreeWidgetItem(QStringList{column(s, 0), column(s, 1), type, column(s, 3), column(s, 4)});
        row->setIcon(0, type == "WebSite" ? web : type == "File" ? file : text);
        rows << row;
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    list->addTopLevelItems(rows);
    splitter->setSizes({260, 700});
    return splitter;
}

void Click_plain(benchmark::State& state) {
    bench::guarded(state, [&] {
        Ide ide;
        ListPaintWatch watch;
        QTreeWidget* list = nullptr;
        watch.isList = [&](QObject* o) { return list && o == list->viewport(); };
        qApp->installEventFilter(&watch);
        long rows = 0;
        for (auto _ : state) {
            watch.painted = false;
            list = nullptr;
            auto* dock = new QDockWidget(QStringLiteral("Morvane"), ide.window.get());
            QTreeWidget* filled = nullptr;
            QWidget* browser = plainBrowser(sampleLibrary(), filled);
            list = filled;
            dock->setWidget(browser);
            ide.window->addDockWidget(Qt::RightDockWidgetArea, dock);
            ide.window->resizeDocks({dock}, {ide.window->width() / 2}, Qt::Horizontal);
            dock->show();
            watch.waitForPaint();
            state.PauseTiming();
            rows = list->topLevelItemCount();
            delete dock;
            QApplication::processEvents();
            state.ResumeTiming();
        }
        qApp->removeEventFilter(&watch);
        state.counters["rows"] = double(rows);
    });
}

// The document created into a dock directly, announced as the add-in announces it.
void AddIn_plain(benchmark::State& state) {
    bench::guarded(state, [&] {
        store::SaveSetting(ide::Connect::addInApp(), "Properties", "Current Library", sampleLibrary());
        Ide ide;
        ListPaintWatch watch;
        watch.isList = isDocumentList;
        qApp->installEventFilter(&watch);
        long rows = 0;
        for (auto _ : state) {
            watch.painted = false;
            store::SaveSetting(store::generalAppName(), "General Properties", "Loading Instance", "1");
            auto* dock = new QDockWidget(QStringLiteral("Morvane"), ide.window.get());
            auto* doc = static_cast<browser::MRVDocument*>(
                dochost::createDocument(ide::Connect::kDocumentProgId, dock));
            dock->setWidget(doc);
            ide.window->addDockWidget(Qt::RightDockWidgetArea, dock);
            ide.window->resizeDocks({dock}, {ide.window->width() / 2}, Qt::Horizontal);
            dock->show();
            doc->FormatWindow();
            watch.waitForPaint();
            state.PauseTiming();
            rows = doc->lstvProcs->count();
            delete dock;
            QApplication::processEvents();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            state.ResumeTiming();
        }
        qApp->removeEventFilter(&watch);
        state.counters["rows"] = double(rows);
    });
}

}  // namespace

int main(int argc, char** argv) {
    const bench::WidgetsProgram program(argc, argv, true);
    if (!program.argumentsKnown()) return 2;
    store::setProgramFolder(MRV_PROGRAM_DIR);
    store::StartUp();
    client::registerDocumentClasses();
    ide::registerAddInClasses();
    const int iterations = bench::tiny() ? 1 : 20;
    const std::pair<const char*, void (*)(benchmark::State&)> cases[] = {{"Click/ours", Click_ours},
                                                                         {"Click/plain", Click_plain},
                                                                         {"AddIn/ours", Click_ours},
                                                                         {"AddIn/plain", AddIn_plain}};
    for (const auto& [name, run] : cases) bench::registerCase(name, run, iterations);
    bench::RatioReporter reporter({{"Click", 2.0}, {"AddIn", 1.25}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return bench::anyFailed() ? 1 : 0;
}
