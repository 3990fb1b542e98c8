#pragma once

// Event sounds: files played asynchronously through the desktop's sound service, and the events'
// sounds looked up in the freedesktop sound theme.

#include <QString>
#include <QStringList>

namespace sound {

// Starts playing the file and returns at once. An empty or missing file plays nothing: there is no
// fallback to a default sound. A failing sound service is silent.
void playFile(const QString& file);

// The sound-naming-specification id of an event of the sound scheme ("SystemExclamation" gives
// "dialog-warning"), or "" for a name the scheme does not know. Names compare exactly.
QString soundIdForEvent(const QString& eventName);
// The scheme's event names, in the order of the sound scheme's table.
QStringList eventNames();

// The theme sounds are looked up in: "freedesktop" unless set (an empty name restores it).
QString themeName();
void setThemeName(const QString& theme);

// The file for a sound id in the theme, its inherited themes and "freedesktop", looked up in the
// data folders' "sounds/<theme>/stereo/<id>.oga|.ogg|.wav", less specific ids ("dialog-warning" for
// "dialog-warning-auth") after the full one; "" when none exists or the theme disables the sound.
QString findThemeSound(const QString& id);

// Test seam: while recording (or while the dialog seam records) nothing is played; every file asked
// for is recorded instead, empty ones included.
namespace testing {
void enableRecording();
bool isRecording();
const QStringList& playedFiles();
void clear();
}  // namespace testing

}  // namespace sound
