#pragma once

// What stands in for the desktop shell: opening documents and addresses with their default
// programs, starting a program and waiting for it with the interface live, the file properties
// sheet, and a careful file copy. The shared module's routines (store/files.h) are built on these.

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace shell {

// Opens a URL with the desktop's default handler; the result is not looked at. While the ui seam
// records (tests), the URL is recorded instead.
void openUrl(const QUrl& url);

// Shows the file's properties through the ui backend: in the desktop programs the file manager's
// (asked over D-Bus), or, when none answers, a small properties window of our own
// (platform/shell_desktop.h). Returns at once: the answer is awaited in the background.
void showProperties(const QString& path, QWidget* owner = nullptr);

struct ProcessOutcome {
    bool started = false;
    bool normalExit = false;  // ended by itself, not by a signal
    int exitCode = -1;
    qint64 runMilliseconds = 0;
};
// Starts program with arguments (never through a shell) and runs a local event loop until it ends.
// Should that loop be ended early (the application quits), the program is left running.
ProcessOutcome runAndWait(const QString& program, const QStringList& arguments,
                          const QString& workingFolder = QString());

// Opens the file with program (an empty program: the desktop's default program for the file's
// type) and waits until the user is done with it: until the program ends, or, when the program
// handed the file to an instance already running and ended at once, until the user closes the
// "Done" window. False when nothing could be started.
bool openAndWait(const QString& path, const QString& program, QWidget* owner = nullptr);

// The "Done" window: returns when the user closes it.
void waitForFile(const QString& path, QWidget* owner = nullptr);

// Copies source to destination (a file, or a folder to copy into) through a temporary file beside
// the destination that replaces it only when complete. Asks before replacing a file (unless the
// caller has asked already), shows progress when the copy takes a while, reports failures in a
// message box. False when cancelled or failed; the destination is untouched then.
bool copyFile(const QString& source, const QString& destination, QWidget* owner = nullptr,
              bool askBeforeReplacing = true);

// The parts of a desktop entry that its Exec line may refer to.
struct DesktopEntry {
    QString path;  // the .desktop file
    QString name;
    QString icon;
    QString exec;
    bool terminal = false;
};
// The desktop entry file for a desktop file id ("org.example.Editor.desktop"), searched in the
// XDG data folders; an empty entry (no exec) when there is none.
DesktopEntry findDesktopEntry(const QString& desktopId);
// An Exec line turned into program and arguments for one local file, by the desktop entry
// specification's quoting and field codes. Empty when the line cannot be parsed.
QStringList desktopExecArguments(const DesktopEntry& entry, const QString& file);

namespace testing {

// URLs openUrl recorded while the ui seam records.
const QList<QUrl>& openedUrls();
void clearOpenedUrls();
// A program that ends successfully within this time is taken to have handed the file over.
void setHandOverLimit(int milliseconds);
int handOverLimit();
// The bus the desktop's properties request talks to: an address, or empty for the session bus.
// Part of the widgets layer (platform/shell_desktop.cpp).
void setPropertiesBusAddress(const QString& address);

}  // namespace testing

}  // namespace shell
