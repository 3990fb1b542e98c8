#pragma once

// A code pane: a component's text in a fixed-width font. It takes dropped text where it is
// dropped, and the text of dropped files (a code file dragged in), as a person editing expects.

#include <QPlainTextEdit>
#include <QPointer>

namespace ide {

class Component;

class CodePane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CodePane(Component* component, QWidget* parent = nullptr);
    Component* component() const { return m_component; }

    // Four blanks before (or fewer after) every line of the selection, or of the cursor's line.
    void indentLines(bool indent);
    // A comment mark before every line of the selection, or one taken away.
    void commentLines(bool comment);

    // Dropped files larger than this, or not text, are not inserted.
    static constexpr qint64 kMaxDroppedFile = 1024 * 1024;
    // The text of a local file fit to be inserted, or a null string.
    static QString droppableFileText(const QString& path);

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void editLines(const std::function<QString(const QString&)>& edit);

    QPointer<Component> m_component;
};

}  // namespace ide
