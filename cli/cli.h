#pragma once

// The command line's common ground: how a command ends (an exit status and a message for standard
// error), the options it was given, where its output goes, and the library it works on.

#include "platform/ui_console.h"
#include "store/engine/engine.h"

#include <QByteArray>
#include <QFile>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <exception>
#include <memory>

namespace cli {

// The exit statuses, documented in the help.
enum Exit : int {
    exitOk = 0,
    exitFailed = 1,     // the work failed: damaged or foreign input, a failed copy or exchange
    exitUsage = 2,      // wrong arguments or options
    exitNotFound = 3,   // no such library, item, category or file
    exitAmbiguous = 4,  // an item or category name that fits several; the candidates are listed
    exitInUse = 5,      // the library is locked by another program
    exitRefused = 6,    // a question was refused: it needs --yes (or was answered --no)
};

// How a command ends when it cannot do its work: the message goes to standard error.
class Failure : public std::exception {
public:
    Failure(int status, QString message) : m_status(status), m_message(std::move(message)) {}
    int status() const { return m_status; }
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return "command failed"; }

private:
    int m_status;
    QString m_message;
};

// An engine error as a failure: a missing file, a locked library and the rest keep their statuses.
Failure failureOf(const engine::Error& err);

struct Options {
    QString command;
    QStringList arguments;  // the positional ones after the command
    QString library;        // --library, as given
    bool json = false, yes = false, no = false;
    // Per command; empty or false when not given.
    QString category, name, description, type, file, output, direction, level;
    bool categories = false, noBackup = false, zip = false, replace = false;
};

// Standard output, written as it comes.
class Output {
public:
    Output();
    void write(const QByteArray& bytes);
    // text and a line feed.
    void line(const QString& text);
    void json(const QJsonValue& value);
    QIODevice& device() { return m_out; }
    bool isTerminal() const;

private:
    QFile m_out;
};

class Context {
public:
    Context(Options options, ui::ConsoleBackend* console) : opt(std::move(options)), m_console(console) {}

    Options opt;
    Output out;

    // The library the command works on: --library, else the client's current library, else the
    // user's sample library.
    QString libraryPath() const;
    // Opened and its schema checked (brought up to date when older); Failure when it cannot be.
    std::unique_ptr<engine::Database> openLibrary();
    // Asks through the ui seam; true for Yes. A refusal or a No ends the command (exitRefused).
    void confirm(const QString& question, const QString& title);
    int refusals() const { return m_console ? m_console->refusals() : 0; }

private:
    ui::ConsoleBackend* m_console;
};

// A usage failure naming the command's help.
Failure usage(const QString& command, const QString& message);

// Line breaks and tabs as blanks: one field of a tab-separated line.
QString field(const QString& text);

// The commands, by family (item_commands.cpp, library_commands.cpp, exchange_commands.cpp).
void runList(Context& c);
void runSearch(Context& c);
void runShow(Context& c);
void runAdd(Context& c);
void runEdit(Context& c);
void runRemove(Context& c);
void runMove(Context& c);
void runMakeCategory(Context& c);
void runCheck(Context& c);
void runCompact(Context& c);
void runRepair(Context& c);
void runReplicate(Context& c);
void runSync(Context& c);
void runBackup(Context& c);
void runImport(Context& c);
void runExport(Context& c);

// The whole program: parses the arguments (without the program's name), runs the command and returns
// the exit status. err receives the messages.
int run(const QStringList& arguments);

}  // namespace cli
