#include "platform/ui.h"

#include "platform/ui_backend.h"
#include "platform/ui_console.h"

#include <QCoreApplication>
#include <QHash>
#include <QQueue>

#include <utility>
#include <vector>

namespace ui {

namespace {

struct Recorder {
    bool recording = false;
    QList<testing::ShownBox> boxes;
    QQueue<int> msgBoxAnswers;
    QList<testing::ShownDialog> dialogs;
    QQueue<QString> inputTexts, fileNames, folders;
    QHash<QString, testing::FormHandler> formHandlers;
};

Recorder& recorder() {
    static Recorder r;
    return r;
}

std::unique_ptr<Backend>& installed() {
    static std::unique_ptr<Backend> backend;
    return backend;
}

QString titleOrAppName(const QString& title) {
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

QString nextOf(QQueue<QString>& queue) {
    return queue.isEmpty() ? QString() : queue.dequeue();
}

QString fileDialog(testing::DialogKind kind, QWidget* owner, const QString& title, const QString& filter,
                   int filterIndex, const QString& initialDir, const QString& fileName,
                   int* chosenFilterIndex) {
    const QStringList filters = qtNameFilters(filter);
    int index = filterIndex >= 1 && filterIndex <= filters.size() ? filterIndex : 1;
    if (chosenFilterIndex) *chosenFilterIndex = index;

    Recorder& r = recorder();
    if (r.recording) {
        r.dialogs.append({kind, title, QString(), fileName, initialDir, filters, index});
        return nextOf(r.fileNames);
    }
    const QString chosen = backend().fileDialog(kind, owner, title, filters, index, initialDir, fileName);
    if (chosenFilterIndex && !chosen.isEmpty()) *chosenFilterIndex = index;
    return chosen;
}

// What a recorded progress leaves: nothing to show, never cancelled.
class CountedProgress : public Progress {
public:
    bool setValue(int) override { return true; }
};

}  // namespace

int MsgBox(const QString& prompt, int style, const QString& title, const QString& helpFile, int context) {
    testing::ShownBox shown;
    shown.title = titleOrAppName(title);
    shown.text = prompt;
    shown.buttons = style & 7;
    shown.icon = style & 0x70;
    shown.defaultButton = ((style & 0x300) >> 8) + 1;
    shown.foreground = (style & vbMsgBoxSetForeground) != 0;
    shown.helpButton = (style & vbMsgBoxHelpButton) != 0;
    shown.helpFile = helpFile;
    shown.helpContext = context;

    const std::vector<int> answers = detail::answersOf(shown.buttons);
    const std::size_t defaultIndex = std::size_t(shown.defaultButton - 1);
    const int defaultAnswer = defaultIndex < answers.size() ? answers[defaultIndex] : answers.front();

    Recorder& r = recorder();
    if (r.recording) {
        r.boxes.append(shown);
        return r.msgBoxAnswers.isEmpty() ? defaultAnswer : r.msgBoxAnswers.dequeue();
    }
    return backend().msgBox(shown, defaultAnswer);
}

QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    Recorder& r = recorder();
    if (r.recording) {
        r.dialogs.append(
            {testing::DialogKind::InputBox, titleOrAppName(title), prompt, defaultText, {}, {}, 0});
        return nextOf(r.inputTexts);
    }
    return backend().inputBox(prompt, titleOrAppName(title), defaultText);
}

QString GetOpenFileName(QWidget* owner, const QString& title, const QString& filter, int filterIndex,
                        const QString& initialDir, const QString& fileName, int* chosenFilterIndex) {
    return fileDialog(testing::DialogKind::OpenFile, owner, title, filter, filterIndex, initialDir, fileName,
                      chosenFilterIndex);
}

QString GetSaveFileName(QWidget* owner, const QString& title, const QString& filter, int filterIndex,
                        const QString& initialDir, const QString& fileName, int* chosenFilterIndex) {
    return fileDialog(testing::DialogKind::SaveFile, owner, title, filter, filterIndex, initialDir, fileName,
                      chosenFilterIndex);
}

QStringList qtNameFilters(const QString& filter) {
    QStringList parts = filter.split(u'|');
    if (!parts.isEmpty() && parts.last().trimmed().isEmpty()) parts.removeLast();  // the closing "|"
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns;
        for (const QString& p : (i + 1 < parts.size() ? parts[i + 1] : QStringLiteral("*")).split(u';')) {
            const QString pattern = p.trimmed();
            if (pattern.isEmpty()) continue;
            patterns.append(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        if (patterns.isEmpty()) patterns.append(QStringLiteral("*"));
        // Qt takes the patterns from the description's closing parentheses, so they must be the
        // real ones.
        const qsizetype open = description.lastIndexOf(u'(');
        if (description.endsWith(u')') && open >= 0) description = description.left(open).trimmed();
        filters.append((description.isEmpty() ? QString() : description + u' ') + u'(' + patterns.join(u' ') +
                       u')');
    }
    return filters;
}

QString BrowseForFolder(QWidget* owner, const QString& title) {
    Recorder& r = recorder();
    if (r.recording) {
        r.dialogs.append({testing::DialogKind::Folder, title, {}, {}, {}, {}, 0});
        return nextOf(r.folders);
    }
    return backend().browseForFolder(owner, title);
}

void WaitForUser(QWidget* owner, const QString& title, const QString& text) {
    Recorder& r = recorder();
    if (r.recording) {
        r.dialogs.append({testing::DialogKind::Wait, title, text, {}, {}, {}, 0});
        return;
    }
    backend().waitForUser(owner, title, text);
}

std::unique_ptr<Progress> ShowProgress(QWidget* owner, const QString& title, const QString& label) {
    std::unique_ptr<Progress> shown;
    if (!recorder().recording) shown = backend().progress(owner, title, label);
    return shown ? std::move(shown) : std::make_unique<CountedProgress>();
}

void setBackend(std::unique_ptr<Backend> backend) {
    installed() = std::move(backend);
}

Backend& backend() {
    std::unique_ptr<Backend>& b = installed();
    if (!b) b = std::make_unique<ConsoleBackend>();
    return *b;
}

namespace detail {

std::vector<int> answersOf(int buttons) {
    switch (buttons) {
        case vbOKCancel:
            return {vbOK, vbCancel};
        case vbAbortRetryIgnore:
            return {vbAbort, vbRetry, vbIgnore};
        case vbYesNoCancel:
            return {vbYes, vbNo, vbCancel};
        case vbYesNo:
            return {vbYes, vbNo};
        case vbRetryCancel:
            return {vbRetry, vbCancel};
        default:
            return {vbOK};
    }
}

int recordForm(QWidget* form, const QString& title, const QString& objectName) {
    Recorder& r = recorder();
    r.dialogs.append({testing::DialogKind::Form, title, objectName, {}, {}, {}, 0});
    const testing::FormHandler handler = r.formHandlers.value(objectName);
    return handler ? handler(form) : 0;
}

}  // namespace detail

namespace testing {

void queueInputText(const QString& text) {
    recorder().inputTexts.enqueue(text);
}

void queueFileName(const QString& path) {
    recorder().fileNames.enqueue(path);
}

void queueFolder(const QString& path) {
    recorder().folders.enqueue(path);
}

void setFormHandler(const QString& objectName, FormHandler handler) {
    if (handler)
        recorder().formHandlers.insert(objectName, std::move(handler));
    else
        recorder().formHandlers.remove(objectName);
}

const QList<ShownDialog>& shownDialogs() {
    return recorder().dialogs;
}

void enableRecording() {
    recorder().recording = true;
}

void disableRecording() {
    recorder().recording = false;
}

bool isRecording() {
    return recorder().recording;
}

void queueAnswer(int answer) {
    recorder().msgBoxAnswers.enqueue(answer);
}

const QList<ShownBox>& shownBoxes() {
    return recorder().boxes;
}

void clear() {
    Recorder& r = recorder();
    r.boxes.clear();
    r.msgBoxAnswers.clear();
    r.dialogs.clear();
    r.inputTexts.clear();
    r.fileNames.clear();
    r.folders.clear();
    r.formHandlers.clear();
}

}  // namespace testing

}  // namespace ui
