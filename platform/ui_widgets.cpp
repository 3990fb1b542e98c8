#include "platform/ui_widgets.h"

#include "platform/help.h"
#include "platform/placement.h"
#include "platform/shell_desktop.h"
#include "platform/ui_backend.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QSpacerItem>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <utility>
#include <vector>

namespace ui {

namespace {

QMessageBox::StandardButton buttonOf(int answer) {
    switch (answer) {
        case vbCancel:
            return QMessageBox::Cancel;
        case vbAbort:
            return QMessageBox::Abort;
        case vbRetry:
            return QMessageBox::Retry;
        case vbIgnore:
            return QMessageBox::Ignore;
        case vbYes:
            return QMessageBox::Yes;
        case vbNo:
            return QMessageBox::No;
        default:
            return QMessageBox::Ok;
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

QWidget* ownerOr(QWidget* owner) {
    return owner ? owner : QApplication::activeWindow();
}

// A short message in a box narrower than its title would leave the title cut by the window
// manager: the box is made wide enough for the title and the frame's buttons beside it.
void fitTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    const int frameButtons = 160;
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + frameButtons;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0,
                  1, grid->columnCount());
}

class DialogProgress : public Progress {
public:
    DialogProgress(QWidget* owner, const QString& title, const QString& label)
        : m_dialog(new QProgressDialog(label, QStringLiteral("Cancel"), 0, 1000, owner)) {
        m_dialog->setObjectName(QStringLiteral("dlgProgress"));
        m_dialog->setWindowTitle(title);
        m_dialog->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
        m_dialog->setMinimumDuration(700);
        m_dialog->setAutoReset(false);
        m_dialog->setValue(0);
    }
    ~DialogProgress() override { delete m_dialog.data(); }
    bool setValue(int permille) override {
        if (m_dialog) m_dialog->setValue(permille);
        return m_dialog && !m_dialog->wasCanceled();
    }

private:
    QPointer<QProgressDialog> m_dialog;
};

class WidgetsBackend : public Backend {
public:
    int msgBox(const Box& shown, int defaultAnswer) override {
        QMessageBox box(iconOf(shown.icon), shown.title, displayText(shown.text), QMessageBox::NoButton,
                        QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        std::vector<std::pair<QAbstractButton*, int>> added;
        for (const int answer : detail::answersOf(shown.buttons))
            added.emplace_back(box.addButton(buttonOf(answer)), answer);
        for (const auto& [button, answer] : added)
            if (answer == defaultAnswer) box.setDefaultButton(static_cast<QPushButton*>(button));
        const QString helpFile = shown.helpFile;
        const int context = shown.helpContext;
        const auto showHelp = [&] { help::WinHelp(&box, helpFile, help::HELP_CONTEXT, context); };
        QAbstractButton* helpButton = shown.helpButton ? box.addButton(QMessageBox::Help) : nullptr;
        if (!helpFile.isEmpty())
            QObject::connect(new QShortcut(QKeySequence::HelpContents, &box), &QShortcut::activated,
                             showHelp);
        fitTitle(box);
        if (shown.foreground) {
            box.show();
            box.raise();
            box.activateWindow();
        }
        // The Help button closes a message box, yet the question is still open: ask it again, and
        // show the help once the box is modal again, so that the help window is not blocked by it.
        for (bool again = true; again;) {
            box.exec();
            again = helpButton && box.clickedButton() == helpButton;
            if (again) QTimer::singleShot(0, &box, showHelp);
        }
        for (const auto& [button, answer] : added)
            if (box.clickedButton() == button) return answer;
        return defaultAnswer;  // closed by the window manager without a button
    }

    QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) override {
        QInputDialog dialog(ownerOr(nullptr));
        dialog.setWindowTitle(title);
        dialog.setLabelText(displayText(prompt));
        dialog.setTextValue(defaultText);
        return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
    }

    QString fileDialog(DialogKind kind, QWidget* owner, const QString& title, const QStringList& filters,
                       int& filterIndex, const QString& initialDir, const QString& fileName) override {
        QFileDialog dialog(ownerOr(owner), title, initialDir);
        const bool save = kind == DialogKind::SaveFile;
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            dialog.selectNameFilter(filters[filterIndex - 1]);
        }
        if (!fileName.isEmpty()) dialog.selectFile(fileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
        filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
        return dialog.selectedFiles().constFirst();
    }

    QString browseForFolder(QWidget* owner, const QString& title) override {
        return QFileDialog::getExistingDirectory(ownerOr(owner), title, QString(), QFileDialog::ShowDirsOnly);
    }

    void waitForUser(QWidget* owner, const QString& title, const QString& text) override {
        auto* dialog = new QDialog(owner);
        dialog->setObjectName(QStringLiteral("frmWaitForUser"));
        dialog->setWindowTitle(title);
        auto* label = new QLabel(displayText(text));
        label->setObjectName(QStringLiteral("lblWaiting"));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        auto* done = new QPushButton(QStringLiteral("Done"));
        done->setObjectName(QStringLiteral("cmdDone"));
        done->setDefault(true);
        QObject::connect(done, &QPushButton::clicked, dialog, &QDialog::accept);
        auto* layout = new QVBoxLayout(dialog);
        layout->addWidget(label);
        layout->addWidget(done, 0, Qt::AlignRight);

        QPointer<QDialog> guard(dialog);
        QEventLoop loop;
        QObject::connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
        QObject::connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);  // its owner went away
        dialog->adjustSize();
        platform::placeOver(dialog, owner ? owner : QApplication::activeWindow());
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
        loop.exec();
        delete guard.data();
    }

    std::unique_ptr<Progress> progress(QWidget* owner, const QString& title, const QString& label) override {
        return std::make_unique<DialogProgress>(owner, title, label);
    }

    void showFileProperties(const QString& path, QWidget* owner) override {
        shell::showDesktopProperties(path, owner);
    }
};

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

void installWidgetsBackend() {
    setBackend(std::make_unique<WidgetsBackend>());
}

int ShowFormModal(QWidget* form, QWidget* owner) {
    if (!form) return 0;
    if (testing::isRecording()) return detail::recordForm(form, form->windowTitle(), form->objectName());

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

}  // namespace ui
