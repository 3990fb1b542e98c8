#pragma once

// What the server process prepares at start for every object it hosts, and the small shared
// services many forms call: the add-in entry in the IDE's add-in list, event sounds and the
// registry text reader. (The edit commands on the focused text box are form routines.)

#include <QString>

#include <cstdint>

namespace store {

// Runs once when the process starts: creates the shared workspace and sets the help file and the
// texts a host shows while this process is busy.
void StartUp();

// The program folder + "/MRVHelp.hlp": names the help pages in the program folder's "help".
QString helpFile();

struct ServerBusyTexts {
    QString busyMessage, busyTitle;
    QString requestPendingMessage, requestPendingTitle;
};
// Empty until StartUp.
const ServerBusyTexts& serverBusyTexts();

// The IDE's add-in list: "vbaddin.ini" in the user's config folder, section "Add-Ins32", key
// "Morvane.Connect" ("1" loads the add-in when the IDE starts, "0" only lists it).
QString addInListPath();
// What the title of the IDE's main window holds, by which a document sees the IDE running.
inline const QString kIdeWindowTitle = QStringLiteral("Morvane IDE");
// True for any value, "0" included.
bool IsAddInRegistered();
// Lists the add-in without loading it at IDE start.
void RegisterAddIn();
// Removes the add-in's entry and nothing else; writes nothing when it is absent.
void UnregisterAddIn();

// The event sounds' indices, in the order of the sound scheme's table.
enum EventSound : long {
    sndBuddyIn,
    sndBuddyOut,
    sndClose,
    sndDrop,
    sndFilesDone,
    sndGoodbye,
    sndMailBeep,
    sndMaximize,
    sndMenuCommand,
    sndMenuPopup,
    sndMinimize,
    sndOpen,
    sndRestoreDown,
    sndRestoreUp,
    sndSystemAsterisk,
    sndSystemExclamation,
    sndSystemExit,
    sndSystemHand,
    sndSystemQuestion,
    sndSystemStart,
    sndWelcome,
    sndYouveGotMail,
};
// The scheme's event name ("RestoreUp"), "" outside 0 to 21.
QString eventSoundName(long index);

// The application name under which "Play Event Sounds" ("General Properties") is read here and
// written by the preferences dialog: the general one, so the user's choice holds in every instance.
QString playEventSoundsAppName();

// Plays file, or, when file is empty, the sound scheme's file for the event (file receives it),
// unless "Play Event Sounds" reads as 0. Returns at once.
void PlayEventSound(QString& file, long index);
void PlayEventSound(long index);

// A string value from the registry; defaultValue when the key or value is missing or no string.
QString RegGetString(std::uint32_t root, const QString& subKey, const QString& valueName,
                     const QString& defaultValue = QString());

}  // namespace store
