// The quick search typed into the browser document on a large library: a word at eight keystrokes a
// second, the longest time the event loop stood still meanwhile, and the time from the last keystroke
// to the final list painted, beside plain SQLite running the same final statement with its own LIKE
// and filling a plain vector-backed model shown in a view, in the same run. MRV_BENCH_TINY=1 uses a
// tiny library for the smoke run.

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
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using bench::guarded;
using bench::tiny;

constexpr int kKeystrokeMs = 125;  // eight a second

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

// A common word (about one row in eight) and a rare one (one row in 100,000).
const QString kCommonWord = QStringLiteral("checksum");
const QString kRareWord = QStringLiteral("buildcolorkey7");

// The final statement as the plain program would write it: SQLite's own LIKE and % wildcards.
std::string plainStatement(const QString& word) {
    const std::string w = word.toStdString();
    return "SELECT P.ProcKey, C.Name AS CatName, P.Name, P.Type, P.Desc, P.Code, P.LastChanged FROM "
           "\"Procedure\" AS P INNER JOIN Category AS C ON P.CatKey = C.CatKey WHERE C.Name LIKE '%" +
           w + "%' OR P.Name LIKE '%" + w + "%' OR P.Desc LIKE '%" + w + "%' ORDER BY C.Name, P.Name";
}

struct PlainRow {
    qint64 key;
    QString catName, name, type, desc, changed;
};

// A table model over a vector, as a plain program would show rows.
class VectorModel : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 5; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole) return {};
        const PlainRow& r = m_rows[size_t(index.row())];
        switch (index.column()) {
            case 0:
                return r.name;
            case 1:
                return r.catName;
            case 2:
                return r.type;
            case 3:
                return r.changed;
            default:
                return r.desc;
        }
    }
    void setRows(std::vector<PlainRow> rows) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }

private:
    std::vector<PlainRow> m_rows;
};

QString column(sqlite3_stmt* stmt, int c) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                             sqlite3_column_bytes(stmt, c));
}

void QuickSearch_plain(benchmark::State& state, const QString& word) {
    guarded(state, [&] {
        QTreeView view;
        VectorModel model;
        view.setModel(&model);
        view.setUniformRowHeights(true);
        view.setRootIsDecorated(false);
        view.resize(1000, 700);
        view.show();
        QApplication::processEvents();
        long rows = 0;
        for (auto _ : state) {
            model.setRows({});
            QApplication::processEvents();
            QElapsedTimer clock;
            clock.start();
            sqlite3* db = nullptr;
            if (sqlite3_open_v2(library().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
                throw std::runtime_error("open");
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, plainStatement(word).c_str(), -1, &stmt, nullptr) != SQLITE_OK)
                throw std::runtime_error(sqlite3_errmsg(db));
            std::vector<PlainRow> found;
            while (sqlite3_step(stmt) == SQLITE_ROW)
                found.push_back({sqlite3_column_int64(stmt, 0), column(stmt, 1), column(stmt, 2),
                                 column(stmt, 3), column(stmt, 4), column(stmt, 6)});
            sqlite3_finalize(stmt);
            sqlite3_close(db);
            rows = long(found.size());
            model.setRows(std::move(found));
            view.viewport()->repaint();
            state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        }
        state.counters["rows"] = double(rows);
    });
}

// Gaps between the ticks of a 2 ms timer: the longest is the longest time the loop stood still. Its
// time on this thread's clock says how much of that was our work rather than waiting for a processor
// other programs held.
class StallProbe : public QObject {
public:
    StallProbe() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed(), cpu = threadCpu();
            m_longest = std::max(m_longest, now - m_last);
            m_longestCpu = std::max(m_longestCpu, cpu - m_lastCpu);
            m_last = now;
            m_lastCpu = cpu;
        });
    }
    void start() {
        m_longest = m_longestCpu = 0;
        m_clock.start();
        m_last = 0;
        m_lastCpu = threadCpu();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double longestMs() const { return m_longest / 1e6; }
    double longestCpuMs() const { return m_longestCpu / 1e6; }

private:
    static qint64 threadCpu() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0, m_longest = 0, m_lastCpu = 0, m_longestCpu = 0;
};

void QuickSearch_ours(benchmark::State& state, const QString& word) {
    guarded(state, [&] {
        store::SaveSetting(store::instanceAppName(QStringLiteral("\\(Browser)")),
                           QStringLiteral("Properties"), QStringLiteral("Current Library"),
                           QString::fromStdString(library()));
        auto doc = std::make_unique<browser::MRVDocument>();
        doc->InitProperties();
        if (doc->DBFileName().isEmpty()) throw std::runtime_error("the library did not open");
        doc->resize(1000, 700);
        doc->show();
        QApplication::processEvents();
        QWidget* viewport = doc->lstvProcs->detailsView()->viewport();
        const QString finalSql = browser::MRVDocument::quickSearchSQL(word);

        // The final result is painted right after the document has filled the list with it.
        QElapsedTimer sinceLastKey;
        qint64 painted = -1;
        QObject::connect(doc.get(), &browser::MRVDocument::quickSearchShown, doc.get(), [&] {
            if (doc->SearchSQL() != finalSql) return;
            viewport->repaint();
            painted = sinceLastKey.nsecsElapsed();
        });
        StallProbe probe;
        double longestStall = 0, longestStallCpu = 0;
        long rows = 0;
        for (auto _ : state) {
            // As the user starts: the whole library listed, the tree shown, the box called up.
            doc->setCategoryTreeVisible(true);
            emit doc->treCats->nodeClick(doc->treCats->findNode(QStringLiteral("0 Key")));
            emit doc->StatusBar1->panelClick(doc->StatusBar1->panel(2));
            QApplication::processEvents();
            painted = -1;
            probe.start();
            for (int i = 0; i < word.size(); ++i) {
                QTimer::singleShot(i * kKeystrokeMs, doc->txtSearch, [&, i] {
                    const QString text = word.mid(i, 1);
                    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
                    QApplication::sendEvent(doc->txtSearch, &press);
                    if (i == word.size() - 1) sinceLastKey.start();
                });
            }
            // The loop sleeps until something happens: a loop that polls would take the processor
            // from the search it waits for.
            QEventLoop waiting;
            const auto quit =
                QObject::connect(doc.get(), &browser::MRVDocument::quickSearchShown, &waiting, [&] {
                    if (painted >= 0) waiting.quit();
                });
            QTimer::singleShot(60000, &waiting, &QEventLoop::quit);
            waiting.exec();
            QObject::disconnect(quit);
            if (painted < 0)
                throw std::runtime_error(
                    ("the search never ended, the box holding " + doc->txtSearch->text()).toStdString());
            probe.stop();
            longestStall = std::max(longestStall, probe.longestMs());
            longestStallCpu = std::max(longestStallCpu, probe.longestCpuMs());
            state.SetIterationTime(painted / 1e9);
            rows = doc->lstvProcs->count();
            if (doc->SearchSQL() != finalSql)
                throw std::runtime_error("the list does not show the last text");
        }
        if (!ui::testing::shownBoxes().isEmpty())
            throw std::runtime_error(
                ("a message appeared: " + ui::testing::shownBoxes()[0].text).toStdString());
        state.counters["rows"] = double(rows);
        state.counters["longest_stall_ms"] = longestStall;
        state.counters["longest_stall_cpu_ms"] = longestStallCpu;
        state.counters["peak_MB"] = bench::statusKb("VmHWM") / 1024.0;
        doc.reset();
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
    const int iterations = tiny() ? 1 : 5;
    using Case = void (*)(benchmark::State&, const QString&);
    const std::pair<const char*, QString> words[] = {{"QuickSearch", kCommonWord},
                                                     {"QuickSearchRare", kRareWord}};
    const std::pair<const char*, Case> sides[] = {{"/plain", QuickSearch_plain}, {"/ours", QuickSearch_ours}};
    for (const auto& [family, word] : words)
        for (const auto& [side, run] : sides)
            benchmark::RegisterBenchmark((std::string(family) + side).c_str(), run, word)
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime()
                ->Iterations(iterations);
    // The longest stall while typing: 50 ms at most. A rare word comes from the trigram index.
    bench::RatioReporter reporter({{"QuickSearch", 1.5}, {"QuickSearchRare", 0.25}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return bench::anyFailed() ? 1 : 0;
}
