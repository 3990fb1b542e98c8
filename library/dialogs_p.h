#pragma once

// What the library dialogs share: the line breaks their messages are made of, the foreground flag,
// the hourglass, and wrapped labels.

#include "platform/ui.h"

#include <QApplication>
#include <QLabel>
#include <QString>

namespace library::detail {

inline const QString LF = QStringLiteral("\n");
inline const QString CR = QStringLiteral("\r");
inline const QString CRLF = QStringLiteral("\r\n");
constexpr int kForeground = ui::vbMsgBoxSetForeground;

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

inline QLabel* wrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace library::detail
