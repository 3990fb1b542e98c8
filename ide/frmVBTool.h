#pragma once

// The hidden picture window of the add-in: composes the faces of its commands. Each face is the
// window's background colour with one of the pictures of ImageList1 laid over it, green pixels of
// the picture left out. Everything happens in memory: no file is written and the user's
// clipboard is not touched.

#include <QColor>
#include <QImage>
#include <QList>
#include <QWidget>

class QLabel;

namespace ide {

class frmVBTool : public QWidget {
    Q_OBJECT
public:
    // The pictures' transparent colour.
    static constexpr QRgb kMaskColor = qRgb(0, 255, 0);
    static constexpr int kFaceSize = 16;

    explicit frmVBTool(QWidget* parent = nullptr);

    // The faces of the program's button and menu entry, the web-site entry and the help entry; each
    // is also left as Picture1's picture.
    QImage CreateVBAppButton();
    QImage CreateVBWebSiteButton();
    QImage CreateVBHelpButton();

    // 1 = the program, 2 = the web site, 3 = the help.
    QList<QImage> ImageList1;
    QLabel* Picture1;

private:
    QImage face(int index);
};

}  // namespace ide
