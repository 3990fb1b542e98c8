#include "platform/ui.h"

#include "platform/help.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHash>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QQueue>
#include <QShortcut>
#include <QTimer>
#include <QWidget>
#include <QWindow>

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

struct ButtonSpec {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonSpec> buttonsOf(int buttons) {
    switch (buttons) {
        case vbOKCancel:
            return {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}};
        case vbAbortRetryIgnore:
            return {{QMessageBox::Abort, vbAbort},
                    {QMessageBox::Retry, vbRetry},
                    {QMessageBox::Ignore, vbIgnore}};
        case vbYesNoCancel:
            return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
        case vbYesNo:
            return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}};
        case vbRetryCancel:
            return {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}};
        default:
            return {{QMessageBox::Ok, vbOK}};
    }
}

QMessageBox::Icon iconOf(int icon) {
    switch (icon) {
        case vbCritical:
            return QMessageBox::Critical;
        case vbQuestion:
            return QMessageBox::Question;
        case vbExclamation:
            return QMessageBox::Warning;
        case vbInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// Texts built for the old platform break lines with CR, CR LF or LF alike.
QString displayText(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString titleOrAppName(const QString& title) {
    return title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
}

QWidget* ownerOr(QWidget* owner) {
    return owner ? owner : QApplication::activeWindow();
}

QString nextOf(QQueue<QString>& queue) {
    return queue.isEmpty() ? QString() : queue.dequeue();
}

QString fileDialog(testing::DialogKind kind, QWidget* owner, const QString& title, const QString& filter,
                   int filterIndex, const QString& initialDir, const QString& fileName,
                   int* chosenFilterIndex) {
    const QStringList filters = qtNameFilters(filter);
    const int index = filterIndex >= 1 && filterIndex <= filters.size() ? filterIndex : 1;
    if (chosenFilterIndex) *chosenFilterIndex = index;

    Recorder& r = recorder();
    if (r.recording) {
        r.dialogs.append({kind, title, QString(), fileName, initialDir, filters, index});
        return nextOf(r.fileNames);
    }

    QFileDialog dialog(ownerOr(owner), title, initialDir);
    dialog.setAcceptMode(kind == testing::DialogKind::SaveFile ? QFileDialog::AcceptSave
                                                               : QFileDialog::AcceptOpen);
    dialog.setFileMode(kind == testing::DialogKind::SaveFile ? QFileDialog::AnyFile
                                                             : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters[index - 1]);
    }
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    if (chosenFilterIndex) *chosenFilterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return dialog.selectedFiles().constFirst();
}

// Ends a local event loop when the watched form is hidden.
class HideWatcher : public QObject {
public:
    explicit HideWatcher(QEventLoop* loop) : m_loop(loop) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide) m_loop->quit();
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop* m_loop;
};

}  // namespace

int MsgBox(const QString& prompt, int style, const QString& title, const QString& helpFile, int context) {
    testing::ShownBox shown;
    shown.title = title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
    shown.text = prompt;
    shown.buttons = style & 7;
    shown.icon = style & 0x70;
    shown.defaultButton = ((style & 0x300) >> 8) + 1;
    shown.foreground = (style & vbMsgBoxSetForeground) != 0;
    shown.helpButton = (style & vbMsgBoxHelpButton) != 0;
    shown.helpFile = helpFile;
    shown.helpContext = context;

    const std::vector<ButtonSpec> specs = buttonsOf(shown.buttons);
    const std::size_t defaultIndex =
        std::size_t(shown.defaultButton - 1) < specs.size() ? std::size_t(shown.defaultButton - 1) : 0;
    const int defaultAnswer = specs[defaultIndex].answer;

    Recorder& r = recorder();
    if (r.recording) {
        r.boxes.append(shown);
        return r.msgBoxAnswers.isEmpty() ? defaultAnswer : r.msgBoxAnswers.dequeue();
    }

    QMessageBox box(iconOf(shown.icon), shown.title, displayText(prompt), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    std::vector<std::pair<QAbstractButton*, int>> added;
    for (const ButtonSpec& spec : specs) added.emplace_back(box.addButton(spec.button), spec.answer);
    box.setDefaultButton(static_cast<QPushButton*>(added[defaultIndex].first));
    const auto showHelp = [&] { help::WinHelp(&box, helpFile, help::HELP_CONTEXT, context); };
    QAbstractButton* helpButton = shown.helpButton ? box.addButton(QMessageBox::Help) : nullptr;
    if (!helpFile.isEmpty())
        QObject::connect(new QShortcut(QKeySequence::HelpContents, &box), &QShortcut::activated, showHelp);
    if (shown.foreground) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    // The Help button closes a message box, yet the question is still open: ask it again, and show
    // the help once the box is modal again, so that the help window is not blocked by it.
    for (bool again = true; again;) {
        box.exec();
        again = helpButton && box.clickedButton() == helpButton;
        if (again) QTimer::singleShot(0, &box, showHelp);
    }
    for (const auto& [button, answer] : added)
        if (box.clickedButton() == button) return answer;
    return defaultAnswer;  // closed by the window manager without a button
}

QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    Recorder& r = recorder();
    if (r.recording) {
        r.dialogs.append(
            {testing::DialogKind::InputBox, titleOrAppName(title), prompt, defaultText, {}, {}, 0});
        return nextOf(r.inputTexts);
    }
    QInputDialog dialog(ownerOr(nullptr));
    dialog.setWindowTitle(titleOrAppName(title));
    dialog.setLabelText(displayText(prompt));
    dialog.setTextValue(defaultText);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
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
    return QFileDialog::getExistingDirectory(ownerOr(owner), title, QString(), QFileDialog::ShowDirsOnly);
}

int ShowFormModal(QWidget* form, QWidget* owner) {
    if (!form) return 0;
    Recorder& r = recorder();
    if (r.recording) {
        r.dialogs.append({testing::DialogKind::Form, form->windowTitle(), form->objectName(), {}, {}, {}, 0});
        const testing::FormHandler handler = r.formHandlers.value(form->objectName());
        return handler ? handler(form) : 0;
    }

    owner = ownerOr(owner);
    if (owner && form->isWindow() && owner->window() != form) {
        form->winId();
        owner->window()->winId();
        if (QWindow* window = form->windowHandle())
            window->setTransientParent(owner->window()->windowHandle());
    }
    if (auto* dialog = qobject_cast<QDialog*>(form)) return dialog->exec();

    QPointer<QWidget> guard(form);
    QEventLoop loop;
    HideWatcher watcher(&loop);
    form->installEventFilter(&watcher);
    QObject::connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
    const Qt::WindowModality modality = form->windowModality();
    form->setWindowModality(Qt::ApplicationModal);
    form->show();
    loop.exec(QEventLoop::DialogExec);
    if (guard) {
        guard->removeEventFilter(&watcher);
        guard->setWindowModality(modality);
    }
    return 0;
}

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
