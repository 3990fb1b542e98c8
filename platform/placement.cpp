#include "platform/placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace platform {

QRect fitToScreen(const QRect& frame) {
    const QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->availableGeometry().intersected(frame);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    if (!best) best = QGuiApplication::primaryScreen();
    if (!best) return frame;
    const QRect area = best->availableGeometry();
    QRect fitted(frame.topLeft(), frame.size().boundedTo(area.size()));
    fitted.moveLeft(std::clamp(fitted.left(), area.left(), area.right() - fitted.width() + 1));
    fitted.moveTop(std::clamp(fitted.top(), area.top(), area.bottom() - fitted.height() + 1));
    return fitted;
}

void keepOnScreen(QWidget* window) {
    // The frame the window manager adds is known once the window is shown; before, none is counted.
    const QRect frame = window->frameGeometry();
    const QSize extra = frame.size() - window->size();
    const QRect fitted = fitToScreen(frame);
    window->resize(fitted.size() - extra);
    window->move(fitted.topLeft());
}

void placeOver(QWidget* window, const QWidget* owner) {
    if (!owner) return;
    QRect frame(QPoint(), window->frameGeometry().size());
    frame.moveCenter(owner->window()->frameGeometry().center());
    window->move(fitToScreen(frame).topLeft());
}

}  // namespace platform
