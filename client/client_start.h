#pragma once

// The start of the standalone client: the time it started, the check of the document host's
// version, and the small text routines its main window uses.

#include <QString>

#include <functional>
#include <memory>

class frmMain;

namespace client {

// A time source for the splash window's minimum time. Milliseconds from a fixed point, never going
// back, and unaffected by the date changing: a wall clock would make a start just before midnight
// wait until the next day's same second.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 milliseconds() const = 0;
};

class SteadyClock final : public Clock {
public:
    qint64 milliseconds() const override;
};

// The splash window stays up at least this long after the start.
inline constexpr qint64 kSplashMinimumMs = 4000;

// The n-th piece (from 1) of text between occurrences of delimiter; "" when there are fewer pieces
// (or n is below 1); the last piece runs to the end of the text. An empty delimiter leaves the text
// one piece.
QString NthField(int n, const QString& text, const QString& delimiter);

// The name of the host components' version shown to the user, from the "Version" value (its first
// two fields) or, when that is empty, the "Build" value (its first field).
QString VersionText(const QString& version, const QString& build);

// The message shown when the host components are too old, naming their version text.
QString tooOldMessage(const QString& versionText);

// The launcher removed when the client cannot run: "morvane.desktop" in the user's desktop folder.
QString desktopShortcutPath();

// True when the command line's first six characters are "/DEBUG" in any letter case.
bool isDebugSwitch(const QString& commandLine);

// The program's arguments as one command line, blanks between them.
QString commandLineOf(const QStringList& arguments);

// Reads a value ("Version", "Build") of the host components' registry key.
using HostValueReader = std::function<QString(const QString& valueName)>;
QString registryHostValue(const QString& valueName);

// The start: records the start time, checks the host components, and creates and loads the main
// window. Null when the program is to end (components too old, a wrong command line, no document
// path given); the caller then runs no event loop.
std::unique_ptr<frmMain> Main(const QString& commandLine, const Clock& clock,
                              const HostValueReader& readHostValue = registryHostValue);

}  // namespace client
