#pragma once

// Runs the quick search's statements away from the user-interface thread, each on a read-only
// connection of its own, so that typing never waits for a query. A newer search stops the one still
// running within a few thousand SQLite steps, and only the newest search's rows are ever reported.

#include "base/error.h"
#include "browser/item_rows.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace browser {

struct SearchResult {
    quint64 generation = 0;
    QString sql;
    std::vector<qint64> keys;         // the ProcKey of each row, in the statement's order
    std::optional<mrv::Error> error;  // the statement or the library failed; rows are then empty
};

class SearchRunner : public QObject {
    Q_OBJECT
public:
    explicit SearchRunner(QObject* parent = nullptr);
    ~SearchRunner() override;

    // Runs sql (the old dialect) on the library file at path; any earlier search is superseded.
    void start(const QString& path, const QString& sql);
    // Supersedes every search started so far: none of them is reported.
    void cancel();
    // A search was started and its result has not been reported yet.
    bool pending() const { return m_pending; }
    // The number of the newest search; a result of any other number is stale.
    quint64 newest() const { return m_generation; }

signals:
    // On the thread the runner lives in, only for the newest search.
    void finished(std::shared_ptr<const browser::SearchResult> result);

private:
    struct Job {
        quint64 generation = 0;
        QString path, sql;
    };
    void work();
    SearchResult run(const Job& job);
    void deliver(const std::shared_ptr<const SearchResult>& result);
    void supersede();  // with m_mutex held
    bool superseded(quint64 generation) const { return generation != m_generation; }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Job> m_job;  // the next search to run; a newer one replaces it
    bool m_stop = false;
    std::atomic<quint64> m_generation{0};
    bool m_pending = false;
    std::thread m_thread;
};

}  // namespace browser
