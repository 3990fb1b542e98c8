#pragma once

// Parts of a test run in a child process: an operation killed at each of its steps, an operation
// under a file size limit (a full disk), and a writer adding rows beside an operation.

#include "base/replace_file.h"
#include "store/engine/engine.h"

#include <QString>

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <functional>

namespace childproc {

// Runs body in a child process and returns its exit code, or 128 + the signal that ended it. A
// child that outlives seconds is ended by an alarm.
inline int run(const std::function<int()>& body, int seconds = 60) {
    const pid_t child = fork();
    if (child == 0) {
        alarm(unsigned(seconds));
        int code = 3;
        try {
            code = body();
        } catch (...) {
        }
        _exit(code);  // no destructors or exit handlers of the parent's objects
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// How many steps (mrv::fileStep) an operation takes.
inline int countSteps(const std::function<void()>& operation) {
    int steps = 0;
    mrv::testing::setFileStepHook([&] { ++steps; });
    try {
        operation();
    } catch (...) {
        mrv::testing::setFileStepHook({});
        throw;
    }
    mrv::testing::setFileStepHook({});
    return steps;
}

// The operation in a child that dies at its step-th step, as abruptly as a kill: no rollback, no
// cleanup. The child's exit code: 9 when killed there, 0 when it ended before.
inline int killedAt(int step, const std::function<void()>& operation) {
    return run([&] {
        int taken = 0;
        mrv::testing::setFileStepHook([&] {
            if (++taken == step) _exit(9);
        });
        operation();
        return 0;
    });
}

// A disk that fills up: no file of the calling process may grow beyond bytes, and a write that
// would makes the write fail rather than end the process.
inline void limitFileSize(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

// Another program adding one row at a time to a library through the engine, until stopped. It
// reports the rows whose commit it was told succeeded; after an error it opens the library again.
class Writer {
public:
    Writer(const QString& library, const QString& insertSql) {
        if (pipe(m_report) != 0 || pipe(m_stop) != 0) return;
        m_pid = fork();
        if (m_pid != 0) {
            close(m_report[1]);
            close(m_stop[0]);
            return;
        }
        close(m_report[0]);
        close(m_stop[1]);
        engine::setBusyTimeout(50);
        std::unique_ptr<engine::Database> db;
        for (int i = 1;; ++i) {
            pollfd stop{m_stop[0], POLLIN, 0};
            if (poll(&stop, 1, 0) > 0) break;
            try {
                if (!db) db = engine::openDatabase(library);
                db->Execute(insertSql.arg(i));
                (void)!write(m_report[1], &i, sizeof i);
                usleep(2000);  // at a program's pace: a loop without pause would starve every reader
            } catch (const engine::Error&) {
                db.reset();
                usleep(2000);
            }
        }
        _exit(0);
    }
    // Stops the writer; the numbers it was told were committed.
    QList<int> stop() {
        QList<int> committed;
        if (m_pid <= 0) return committed;
        close(m_stop[1]);
        int value = 0;
        while (read(m_report[0], &value, sizeof value) == sizeof value) committed << value;
        close(m_report[0]);
        waitpid(m_pid, nullptr, 0);
        m_pid = 0;
        return committed;
    }
    ~Writer() { stop(); }

private:
    pid_t m_pid = 0;
    int m_report[2] = {-1, -1}, m_stop[2] = {-1, -1};
};

}  // namespace childproc
