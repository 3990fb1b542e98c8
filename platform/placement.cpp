#include "platform/placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
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
    QMargins frame(window->geometry().left() - window->frameGeometry().left(),
                   window->geometry().top() - window->frameGeometry().top(),
                   window->frameGeometry().right() - window->geometry().right(),
                   window->frameGeometry().bottom() - window->geometry().bottom());
    if (frame.isNull()) {
        // Not framed by the window manager yet: room for a title bar and borders all the same.
        const int border = window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
        const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
        frame = QMargins(border, title + border, border, border);
    }
    const QRect framed(window->pos(), window->size().grownBy(frame));
    const QRect fitted = fitToScreen(framed);
    if (fitted == framed) return;
    window->resize(fitted.size().shrunkBy(frame));
    window->move(fitted.topLeft());  // a window's position is its frame's
}

void placeOver(QWidget* window, const QWidget* owner) {
    if (!owner) return;
    QRect frame(QPoint(), window->frameGeometry().size());
    frame.moveCenter(owner->window()->frameGeometry().center());
    window->move(fitToScreen(frame).topLeft());
}

}  // namespace platform
