#include "client/frmSplash.h"

#include "resources/resources.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

namespace {

constexpr QSize kSize(480, 280);

}  // namespace

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(kSize);
    setWindowTitle(QStringLiteral("Morvane"));
}

QPoint frmSplash::placement(const QSize& screen, const QSize& splash) {
    return QPoint((screen.width() - splash.width()) / 2, int((0.8 * screen.height() - splash.height()) / 2));
}

void frmSplash::showSplash() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.topLeft() + placement(area.size(), size()));
    }
    show();
    repaint();
    QCoreApplication::processEvents();
}

void frmSplash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF all = rect();

    QLinearGradient sky(all.topLeft(), all.bottomRight());
    sky.setColorAt(0.0, QColor(0x1D, 0x3A, 0x5F));
    sky.setColorAt(1.0, QColor(0x0B, 0x1A, 0x2E));
    p.fillRect(all, sky);

    // A faint column of code lines behind the text.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 11));
    const int widths[] = {150, 210, 120, 180, 90, 200, 140, 170, 110};
    for (int i = 0; i < 9; ++i) p.drawRoundedRect(QRectF(300, 28 + i * 22, widths[i] * 0.8, 8), 4, 4);

    // The program's mark, as everywhere else.
    p.drawPixmap(QRect(30, 56, 128, 128), programIcon().pixmap(QSize(128, 128)));

    QFont title = font();
    title.setPixelSize(46);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(176, 70, 290, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Morvane"));

    QFont sub = font();
    sub.setPixelSize(17);
    p.setFont(sub);
    p.setPen(QColor(0xC9, 0xD8, 0xEA));
    p.drawText(QRectF(178, 126, 290, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Code Library Client"));

    QFont small = font();
    small.setPixelSize(13);
    p.setFont(small);
    p.setPen(QColor(0xF6, 0xC3, 0x4A));
    p.drawText(QRectF(178, 154, 290, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Version %1").arg(QStringLiteral(MRV_VERSION)));

    p.setPen(QColor(0x8F, 0xA6, 0xC1));
    p.drawText(QRectF(24, all.height() - 44, all.width() - 48, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Loading the library browser..."));
    p.drawText(QRectF(24, all.height() - 44, all.width() - 48, 20), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Varnholt Software"));

    p.setPen(QPen(QColor(0xF6, 0xC3, 0x4A), 2));
    p.drawLine(QPointF(24, all.height() - 52), QPointF(all.width() - 24, all.height() - 52));
    p.setPen(QPen(QColor(0x45, 0x63, 0x88), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
}
