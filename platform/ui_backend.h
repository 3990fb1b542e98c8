#pragma once

// What shows the seam's boxes and dialogs when it does not record: the program installs one at
// start. The desktop programs install the widgets backend (platform/ui_widgets.h); a program
// without a display installs the console backend (platform/ui_console.h), which is also what runs
// when none was installed.

#include "platform/ui.h"

#include <memory>
#include <vector>

namespace ui {

using Box = testing::ShownBox;
using testing::DialogKind;

class Backend {
public:
    virtual ~Backend() = default;

    // Shows box (its text as given) and returns the answer; defaultAnswer is that of its default
    // button, for a box closed without a button.
    virtual int msgBox(const Box& box, int defaultAnswer) = 0;
    // The text, or "" when cancelled.
    virtual QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    // An open or save chooser over filters in Qt's form; filterIndex (from 1) is the one shown
    // first and receives the one in use at the end. The path, or "" when cancelled.
    virtual QString fileDialog(DialogKind kind, QWidget* owner, const QString& title,
                               const QStringList& filters, int& filterIndex, const QString& initialDir,
                               const QString& fileName) = 0;
    virtual QString browseForFolder(QWidget* owner, const QString& title) = 0;
    virtual void waitForUser(QWidget* owner, const QString& title, const QString& text) = 0;
    // Null when no progress can be shown.
    virtual std::unique_ptr<Progress> progress(QWidget* owner, const QString& title,
                                               const QString& label) = 0;
    // The properties of a file, when the file manager does not answer.
    virtual void showFileProperties(const QString& path, QWidget* owner) = 0;
};

// Takes over the backend; null goes back to the console backend.
void setBackend(std::unique_ptr<Backend> backend);
Backend& backend();

namespace detail {
// The answers of a box's buttons (vbOKCancel...), in the order they are shown.
std::vector<int> answersOf(int buttons);
// ShowFormModal while recording: records the form and runs its handler (0 without one).
int recordForm(QWidget* form, const QString& title, const QString& objectName);
}  // namespace detail

}  // namespace ui
