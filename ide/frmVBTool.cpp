#include "ide/frmVBTool.h"

#include "resources/resources.h"

#include <QLabel>
#include <QPainter>

namespace ide {

frmVBTool::frmVBTool(QWidget* parent) : QWidget(parent) {
    initResources();
    setObjectName(QStringLiteral("frmVBTool"));
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    for (const char* name : {"app", "website", "help"})
        ImageList1 << QImage(QStringLiteral(":/faces/%1.png").arg(QLatin1String(name)))
                          .convertToFormat(QImage::Format_ARGB32);
}

QImage frmVBTool::face(int index) {
    // An area of the window's background, as a face without a picture would look.
    QImage result(kFaceSize, kFaceSize, QImage::Format_ARGB32);
    result.fill(palette().color(QPalette::Window));
    QImage picture = ImageList1.value(index - 1).scaled(kFaceSize, kFaceSize);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if ((line[x] & RGB_MASK) == (kMaskColor & RGB_MASK)) line[x] = qRgba(0, 0, 0, 0);
    }
    QPainter painter(&result);
    painter.drawImage(0, 0, picture);
    painter.end();
    Picture1->setPixmap(QPixmap::fromImage(result));
    return result;
}

QImage frmVBTool::CreateVBAppButton() {
    return face(1);
}

QImage frmVBTool::CreateVBWebSiteButton() {
    return face(2);
}

QImage frmVBTool::CreateVBHelpButton() {
    return face(3);
}

}  // namespace ide
