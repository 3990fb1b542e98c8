#include "platform/ui_console.h"

#include <QFile>

#include <cstdio>

namespace ui {

namespace {

// The button a refusal presses: the one that changes nothing.
int cautiousAnswer(int buttons) {
    switch (buttons) {
        case vbYesNo:
            return vbNo;
        case vbAbortRetryIgnore:
            return vbAbort;
        case vbOKOnly:
            return vbOK;
        default:
            return vbCancel;
    }
}

int yesAnswer(int buttons) {
    switch (buttons) {
        case vbYesNo:
        case vbYesNoCancel:
            return vbYes;
        case vbAbortRetryIgnore:
        case vbRetryCancel:
            return vbRetry;
        default:
            return vbOK;
    }
}

int noAnswer(int buttons) {
    return buttons == vbYesNoCancel ? vbNo : cautiousAnswer(buttons);
}

QString answerText(int answer) {
    switch (answer) {
        case vbYes:
            return QStringLiteral("Yes");
        case vbNo:
            return QStringLiteral("No");
        case vbCancel:
            return QStringLiteral("Cancel");
        case vbAbort:
            return QStringLiteral("Abort");
        case vbRetry:
            return QStringLiteral("Retry");
        case vbIgnore:
            return QStringLiteral("Ignore");
        default:
            return QStringLiteral("OK");
    }
}

}  // namespace

ConsoleBackend::ConsoleBackend(Answer answer, QIODevice* out) : m_answer(answer), m_out(out) {
    if (!m_out) {
        auto* err = new QFile;
        err->open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
        m_stderr.reset(err);
        m_out = err;
    }
}

ConsoleBackend::~ConsoleBackend() = default;

void ConsoleBackend::write(const QString& title, const QString& text, const QString& note) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    QString out = (title.isEmpty() ? QString() : title + QStringLiteral(": ")) + shown.trimmed() + u'\n';
    if (!note.isEmpty()) out += QStringLiteral("  (") + note + QStringLiteral(")\n");
    m_out->write(out.toUtf8());
}

QString ConsoleBackend::refuse(const QString& title, const QString& text) {
    ++m_refusals;
    write(title, text, QStringLiteral("refused: there is nobody here to answer"));
    return QString();
}

int ConsoleBackend::msgBox(const Box& box, int) {
    if (box.buttons == vbOKOnly) {
        write(box.title, box.text);
        return vbOK;
    }
    int answer = cautiousAnswer(box.buttons);
    QString note;
    switch (m_answer) {
        case Answer::Yes:
            answer = yesAnswer(box.buttons);
            note = QStringLiteral("answered ") + answerText(answer) + QStringLiteral(" as asked");
            break;
        case Answer::No:
            answer = noAnswer(box.buttons);
            note = QStringLiteral("answered ") + answerText(answer) + QStringLiteral(" as asked");
            break;
        case Answer::Refuse:
            ++m_refusals;
            note = QStringLiteral("refused with ") + answerText(answer) +
                   QStringLiteral(": no answer was given for questions");
            break;
    }
    write(box.title, box.text, note);
    return answer;
}

QString ConsoleBackend::inputBox(const QString& prompt, const QString& title, const QString&) {
    return refuse(title, prompt);
}

QString ConsoleBackend::fileDialog(DialogKind, QWidget*, const QString& title, const QStringList&, int&,
                                   const QString&, const QString&) {
    return refuse(title, QStringLiteral("a file is to be chosen"));
}

QString ConsoleBackend::browseForFolder(QWidget*, const QString& title) {
    return refuse(title, QStringLiteral("a folder is to be chosen"));
}

void ConsoleBackend::waitForUser(QWidget*, const QString& title, const QString& text) {
    write(title, text, QStringLiteral("not waited for"));
}

std::unique_ptr<Progress> ConsoleBackend::progress(QWidget*, const QString&, const QString&) {
    return nullptr;
}

void ConsoleBackend::showFileProperties(const QString& path, QWidget*) {
    write(QString(), path, QStringLiteral("file properties are shown by the desktop programs only"));
}

}  // namespace ui
