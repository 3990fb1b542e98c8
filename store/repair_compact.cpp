#include "store/repair_compact.h"

#include "base/replace_file.h"
#include "platform/ui.h"
#include "store/engine/engine.h"
#include "store/engine/error.h"

#include <QFile>
#include <QFileInfo>

#include <exception>
#include <future>
#include <memory>
#include <optional>

namespace store {

namespace {

const QString LF = QStringLiteral("\n");

// The numbers the old platform gave its file errors.
enum FileErrorNumber { errInvalidArgument = 5 };

std::function<void(RepairCompactStep)>& faultHook() {
    static std::function<void(RepairCompactStep)> hook;
    return hook;
}

void step(RepairCompactStep which) {
    mrv::fileStep();
    if (faultHook()) faultHook()(which);
}

void setStatus(StatusTarget* status, const QString& text) {
    if (status) status->setStatusBar(text);
}

struct Files {
    QString library, backup, work;
};

// Compacts the work copy into a new file for the library, rebuilding the copy first when it is
// damaged: when the check says so, or when the compaction finds damage the check did not.
engine::RepairReport compact(const Files& f, std::future<bool>& sound) {
    auto out = std::make_unique<mrv::FileReplacement>(f.library);
    std::optional<engine::Error> failed;
    try {
        engine::CompactInto(f.work, *out, f.library);
    } catch (const engine::Error& err) {
        failed = err;
    }
    engine::RepairReport report;
    if (sound.get() && !failed) {
        out->commit();
        return report;
    }
    if (failed && failed->number() != engine::errDamaged && failed->number() != engine::errNotADatabase)
        throw *failed;
    out.reset();
    report = engine::RebuildDatabase(f.work, f.library);
    mrv::fileStep();
    out = std::make_unique<mrv::FileReplacement>(f.library);
    engine::CompactInto(f.work, *out, f.library);
    out->commit();
    return report;
}

// The whole sequence runs under the library's exclusive lock: no other program can write into the
// file while it is copied, nor into the old file once the new one has its name. The library's name
// holds the old file until the new one, complete and synced, is renamed over it in one step. The
// check of the work copy runs beside its compaction, which is thrown away when the check fails.
engine::RepairReport repairAndCompact(const Files& f, StatusTarget* status) {
    step(RepairCompactStep::Copy);
    const engine::LibraryLock lock(f.library);
    lock.copyTo(f.work);
    mrv::fileStep();
    setStatus(status, QStringLiteral(" Repairing Database..."));
    step(RepairCompactStep::Repair);
    const QString work = f.work;
    std::future<bool> sound =
        std::async(std::launch::async, [work] { return engine::IsSoundDatabase(work); });
    // The old file takes a second name, the backup, while it keeps its own until the new file is made.
    step(RepairCompactStep::Rename);
    lock.keepAs(f.backup);
    mrv::fileStep();
    setStatus(status, QStringLiteral(" Compacting Database..."));
    step(RepairCompactStep::Compact);
    return compact(f, sound);
}

// What a repair could not rescue, said once the library is back in use.
void tellLosses(const QString& library, const engine::RepairReport& report) {
    if (!report.wasDamaged || (report.lost.isEmpty() && report.replicaRebased.isEmpty())) return;
    QString text = QStringLiteral("The Code Library '") + library +
                   QStringLiteral("' was damaged. It has been repaired");
    if (!report.lost.isEmpty()) {
        constexpr int kShown = 12;
        QStringList shown = report.lost.mid(0, kShown);
        if (report.lost.size() > kShown)
            shown << QStringLiteral("and %1 more").arg(report.lost.size() - kShown);
        text += QStringLiteral(", but these could not be rescued:") + LF + LF + shown.join(LF);
    } else {
        text += '.';
    }
    if (!report.replicaRebased.isEmpty()) text += LF + LF + report.replicaRebased;
    ui::MsgBox(text, ui::vbOKOnly | ui::vbInformation | ui::vbMsgBoxSetForeground,
               QStringLiteral("Repair and Compact"));
}

}  // namespace

void setRepairCompactFaultHook(std::function<void(RepairCompactStep)> hook) {
    faultHook() = std::move(hook);
}

bool RepairCompact(const QString& libraryPath, StatusTarget* status) {
    if (libraryPath.size() < 4)
        throw engine::Error(errInvalidArgument, QStringLiteral("Invalid procedure call or argument"));
    // A library behind a link is repaired where the link leads; the link stays.
    const QString library = mrv::replacedFile(libraryPath);
    const Files f{library, engine::backupPath(library), engine::workCopyPath(library)};

    // Also what a run killed half-way left, once a library left only under its backup name (by a
    // version that moved it aside) is back under its own.
    engine::recoverInterruptedReplace(library);
    QFile::remove(f.backup);
    engine::removeWorkFiles(f.work);

    std::optional<engine::Error> failure;
    engine::RepairReport report;
    try {
        report = repairAndCompact(f, status);
    } catch (const engine::Error& err) {
        // The work copy is ours alone: the user hears of the library.
        failure = engine::Error(err.number(), QString(err.description()).replace(f.work, library));
    } catch (const std::exception& err) {
        failure = engine::Error(engine::errEngine, QString::fromLocal8Bit(err.what()));
    }
    // Either way the library's name holds a whole library, the old one or the new one.
    QFile::remove(f.backup);
    engine::removeWorkFiles(f.work);
    if (!failure) {
        tellLosses(libraryPath, report);
        return true;
    }

    setStatus(status, QStringLiteral(" Error: ") + failure->description());
    ui::MsgBox(QStringLiteral("Error: ") + QString::number(failure->number()) + LF + LF +
                   failure->description() + LF + LF +
                   QStringLiteral("Your original Database has been restored!"),
               ui::vbOKOnly | ui::vbCritical | ui::vbMsgBoxSetForeground,
               QStringLiteral("Error occured during operation"));
    return false;
}

}  // namespace store
