#pragma once

// Small helpers the browser document's source files share.

#include "platform/toolbar.h"
#include "platform/ui.h"

#include <QApplication>
#include <QCoreApplication>
#include <QString>

namespace browser::detail {

inline const QString LF = QStringLiteral("\n");
inline const QString kRootKey = QStringLiteral("0 Key");
constexpr int kForeground = ui::vbMsgBoxSetForeground;

// Lets paints and timers run; the user's clicks wait, so no command starts inside another.
inline void doEvents() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// A boolean setting as its text was written ("True", "False", or a number).
inline bool settingBool(const QString& text, bool defaultValue) {
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
    bool number = false;
    const double value = t.toDouble(&number);
    return number ? value != 0 : defaultValue;
}

inline QString boolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

inline toolbar::Tool* barTool(toolbar::Bar* bar, const QString& name) {
    return bar->tools().find(name);
}

inline toolbar::Tool* bandTool(toolbar::Bar* bar, const QString& band, const QString& name) {
    toolbar::Band* b = bar->findBand(band);
    return b ? b->tools().find(name) : nullptr;
}

}  // namespace browser::detail
