#pragma once

// The backend of a program without a display: every box is written to standard error; a question
// takes the answer the program was given (its command line's flag), and without one is refused,
// answered with its most cautious button (Cancel, else No, else Abort), rather than guessed.
// Choosers and input boxes have no answer here and are refused (cancelled) too.

#include "platform/ui_backend.h"

#include <QIODevice>

namespace ui {

class ConsoleBackend : public Backend {
public:
    enum class Answer { Refuse, Yes, No };

    // out: where the boxes are written, standard error when null.
    explicit ConsoleBackend(Answer answer = Answer::Refuse, QIODevice* out = nullptr);
    ~ConsoleBackend() override;

    // How many questions, choosers and input boxes were refused: a program ends unsuccessfully then.
    int refusals() const { return m_refusals; }

    int msgBox(const Box& box, int defaultAnswer) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    QString fileDialog(DialogKind kind, QWidget* owner, const QString& title, const QStringList& filters,
                       int& filterIndex, const QString& initialDir, const QString& fileName) override;
    QString browseForFolder(QWidget* owner, const QString& title) override;
    void waitForUser(QWidget* owner, const QString& title, const QString& text) override;
    std::unique_ptr<Progress> progress(QWidget* owner, const QString& title, const QString& label) override;
    void showFileProperties(const QString& path, QWidget* owner) override;

private:
    void write(const QString& title, const QString& text, const QString& note = QString());
    QString refuse(const QString& title, const QString& text);

    Answer m_answer;
    QIODevice* m_out;
    std::unique_ptr<QIODevice> m_stderr;
    int m_refusals = 0;
};

}  // namespace ui
