#pragma once

// Every modal box the program shows goes through this module, so that tests can script the
// answers and read back what the user would have seen. The module itself needs no widgets: what
// shows the boxes is a backend (platform/ui_backend.h) that the program installs, message boxes
// and file dialogs in the desktop programs, standard error in a program without a display.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

namespace ui {

// The old message-box constants: a style is buttons + icon + default button + flags.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,

    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,

    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,

    vbMsgBoxHelpButton = 16384,  // a Help button that opens helpFile at context, leaving the box open
    vbMsgBoxSetForeground = 65536,
};

enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7,
};

// Shows a modal message box and returns the answer (vbOK ... vbNo). An empty title shows the
// application's name. The text is shown as plain text, never as markup.
// With a help file, F1 (and the Help button when asked for) opens the help window at context.
int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = QString(),
           const QString& helpFile = QString(), int context = 0);

// Asks for one line of text: the text, or "" when the user cancels.
QString InputBox(const QString& prompt, const QString& title = QString(),
                 const QString& defaultText = QString());

// The common file dialogs. filter is in the old form: descriptions and their patterns, all separated
// by "|" ("Access (*.mdb)|*.mdb|All Files (*.*)|*.*|"); filterIndex counts from 1. initialDir and
// fileName may be empty. The chosen path, or "" when the user cancels; chosenFilterIndex receives
// the filter in use at the end. The open form accepts only existing files; the save form does not
// ask about replacing a file (its callers do).
QString GetOpenFileName(QWidget* owner, const QString& title, const QString& filter, int filterIndex = 1,
                        const QString& initialDir = QString(), const QString& fileName = QString(),
                        int* chosenFilterIndex = nullptr);
QString GetSaveFileName(QWidget* owner, const QString& title, const QString& filter, int filterIndex = 1,
                        const QString& initialDir = QString(), const QString& fileName = QString(),
                        int* chosenFilterIndex = nullptr);
// An old filter as Qt's name filters: "Access (*.mdb)", "All Files (*)".
QStringList qtNameFilters(const QString& filter);

// The folder chooser: the chosen folder, or "" when the user cancels.
QString BrowseForFolder(QWidget* owner, const QString& title);

// Shows form modally above owner and returns once it is hidden, closed or destroyed: a dialog's
// result, 0 for other forms. Part of the widgets backend (platform/ui_widgets.h).
int ShowFormModal(QWidget* form, QWidget* owner = nullptr);

// A window with the text and a Done button, beside owner, that leaves the rest of the program
// usable; returns once the user presses Done or closes it.
void WaitForUser(QWidget* owner, const QString& title, const QString& text);

// The progress of a long task, shown once it takes a while, with a Cancel button.
class Progress {
public:
    virtual ~Progress() = default;
    // From 0 to 1000. False once the user has cancelled.
    virtual bool setValue(int permille) = 0;
};
// Never null; where nothing can be shown (or while recording) the progress is only counted.
std::unique_ptr<Progress> ShowProgress(QWidget* owner, const QString& title, const QString& label);

// The test seam. Once recording is on (for the rest of the process), no box is shown: each is
// recorded and answered from the queue of scripted answers, or with the answer of its default
// button when the queue is empty. Other kinds of dialog (input boxes, file choosers, modal
// forms) join this seam with their own record list and answer queue; enableRecording() and
// clear() cover all of them.
namespace testing {

struct ShownBox {
    QString title, text;
    int buttons = vbOKOnly;  // style & 7
    int icon = 0;            // vbCritical, vbQuestion, vbExclamation, vbInformation or 0
    int defaultButton = 1;   // 1, 2 or 3
    bool foreground = false;
    bool helpButton = false;
    QString helpFile;
    int helpContext = 0;
};

void enableRecording();
// Back to the installed backend (a test of a backend itself).
void disableRecording();
bool isRecording();
// The answer for the next box shown.
void queueAnswer(int answer);
const QList<ShownBox>& shownBoxes();

// Input boxes, file and folder choosers, modal forms and waits for the user. Unscripted, a chooser
// or input box is cancelled, a form without a handler is closed at once with the result 0 and a
// wait ends at once.
enum class DialogKind { InputBox, OpenFile, SaveFile, Folder, Form, Wait };

struct ShownDialog {
    DialogKind kind = DialogKind::InputBox;
    QString title;
    QString text;         // the input box's prompt; a form's object name; a wait's text
    QString defaultText;  // the input box's default; the file chooser's initial file name
    QString initialDir;
    QStringList filters;  // in Qt's form
    int filterIndex = 0;
};

// The answer of the next input box, file chooser or folder chooser; "" cancels.
void queueInputText(const QString& text);
void queueFileName(const QString& path);
void queueFolder(const QString& path);
// Runs instead of showing the form named objectName modally; its result is ShowFormModal's. An
// empty handler removes the one set.
using FormHandler = std::function<int(QWidget* form)>;
void setFormHandler(const QString& objectName, FormHandler handler);
const QList<ShownDialog>& shownDialogs();

// Forgets the boxes and dialogs shown, any answers not used and the form handlers.
void clear();

}  // namespace testing

}  // namespace ui
