#include "browser/search_runner.h"

#include "store/engine/engine.h"

#include <sqlite3.h>

namespace browser {

SearchRunner::SearchRunner(QObject* parent) : QObject(parent), m_thread(&SearchRunner::work, this) {}

SearchRunner::~SearchRunner() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        supersede();
    }
    m_wake.notify_one();
    m_thread.join();
}

void SearchRunner::supersede() {
    ++m_generation;
    m_job.reset();
}

void SearchRunner::start(const QString& path, const QString& sql) {
    {
        std::lock_guard lock(m_mutex);
        supersede();
        m_job = Job{m_generation, path, sql};
    }
    m_pending = true;
    m_wake.notify_one();
}

void SearchRunner::cancel() {
    std::lock_guard lock(m_mutex);
    supersede();
    m_pending = false;
}

void SearchRunner::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_job; });
        if (m_stop) return;
        const Job job = std::move(*m_job);
        m_job.reset();
        lock.unlock();
        std::shared_ptr<const SearchResult> result = std::make_shared<SearchResult>(run(job));
        lock.lock();
        if (job.generation != m_generation) continue;
        QMetaObject::invokeMethod(
            this, [this, result] { deliver(result); }, Qt::QueuedConnection);
    }
}

SearchResult SearchRunner::run(const Job& job) {
    SearchResult result{job.generation, job.sql, {}, std::nullopt};
    if (superseded(job.generation)) return result;
    // SQLite asks between steps whether to go on: a superseded search stops even while it sorts.
    struct Watch {
        const SearchRunner* runner;
        quint64 generation;
    } watch{this, job.generation};
    try {
        auto db = engine::openDatabase(job.path, false, true);
        sqlite3_progress_handler(
            db->handle(), 4000,
            [](void* w) {
                const auto* watch = static_cast<const Watch*>(w);
                return watch->runner->superseded(watch->generation) ? 1 : 0;
            },
            &watch);
        auto rs = db->OpenRecordset(job.sql, engine::dbOpenDynaset, engine::dbReadOnly);
        const engine::Field procKey = rs->Fields(QStringLiteral("ProcKey"));
        for (; !rs->eof() && !superseded(job.generation); rs->MoveNext())
            result.keys.push_back(procKey.Value().toLongLong());
        rs->Close();
        db->Close();
    } catch (const mrv::Error& err) {
        result.keys.clear();
        result.error = err;
    }
    return result;
}

void SearchRunner::deliver(const std::shared_ptr<const SearchResult>& result) {
    // A search started or cancelled after this one finished has made it stale on its way here.
    if (result->generation != m_generation) return;
    m_pending = false;
    emit finished(result);
}

}  // namespace browser
