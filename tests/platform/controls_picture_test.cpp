// Draws the list and the tree as a person sees them and checks the pictures land where they
// should; the PNGs are kept under the build folder ("pictures") to look at.

#include "platform/controls.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QListView>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace controls;

namespace {

const QColor LargeColour(200, 40, 40);
const QColor SmallColour(30, 140, 60);

QPixmap drawIcon(int size, const QColor& colour, const QString& letter) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.fillRect(QRect(1, 1, size - 2, size - 2), colour);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, letter.left(1));
    return pixmap;
}

void fill(ImageList& images, const QColor& colour) {
    const int size = images.imageSize().width();
    for (const char* key : {"TEXT", "WEB", "FILE", "FOLDER", "MRV"})
        images.add(key, drawIcon(size, colour, key));
}

// Pixels of area within tolerance of colour on every channel.
int pixelsOf(const QImage& image, const QRect& area, const QColor& colour, int tolerance = 0) {
    int n = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += std::max({std::abs(c.red() - colour.red()), std::abs(c.green() - colour.green()),
                           std::abs(c.blue() - colour.blue())}) <= tolerance;
        }
    }
    return n;
}

QImage grabAndKeep(QWidget* widget, const QString& name) {
    QApplication::processEvents();
    const QPixmap picture = widget->grab();
    const QString folder = QCoreApplication::applicationDirPath() + "/pictures";
    QDir().mkpath(folder);
    picture.save(folder + "/" + name + ".png");
    return picture.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Rectangle of a view's item in the grabbed picture of widget.
QRect inPicture(QAbstractItemView* view, QWidget* widget, const QModelIndex& index) {
    const QRect r = view->visualRect(index);
    return QRect(view->viewport()->mapTo(widget, r.topLeft()), r.size());
}

struct Fixture {
    ImageList large{QSize(32, 32)}, small{QSize(16, 16)};
    Fixture() {
        fill(large, LargeColour);
        fill(small, SmallColour);
    }
};

}  // namespace

TEST(ControlPictures, ListDrawsHeadersLabelsAndTheIconsOfItsView) {
    Fixture f;
    ListView list;
    list.setObjectName("lstvProcs");
    list.setIcons(&f.large);
    list.setSmallIcons(&f.small);
    for (const auto& [text, width] : {std::pair{"Name", 160}, {"Type", 70}, {"Description", 180}})
        list.addColumn(text, width);
    const char* rows[][4] = {{"FormatDateLong", "Text/Code", "TEXT", "Formats a date with the month name"},
                             {"http://www.example.org/a-long-address", "WebSite", "WEB", "Example site"},
                             {"report.BAS", "File", "FILE", "File"}};
    for (const auto& [name, type, icon, description] : rows) {
        ListItem* item = list.add(QString(name) + " key", name, icon, icon);
        item->setSubItem(1, type);
        item->setSubItem(2, description);
    }
    list.add("3 TreeNode", "Sub category", "FOLDER", "FOLDER");
    list.resize(620, 200);
    list.show();

    list.setView(lvwReport);
    list.setSelectedItem(list.item(2));
    const QImage details = grabAndKeep(&list, "list_details");
    QTreeView* view = list.detailsView();
    EXPECT_TRUE(view->header()->isVisible());
    EXPECT_GT(view->header()->height(), 10);
    EXPECT_GT(pixelsOf(details, inPicture(view, &list, view->model()->index(0, 0)), SmallColour), 100);
    EXPECT_EQ(pixelsOf(details, details.rect(), LargeColour), 0);
    // Only the label shows the selection until whole-row selection is switched on.
    const auto highlighted = [&](const QImage& image, int column) {
        const QRect cell = inPicture(view, &list, view->model()->index(1, column));
        // The style shades its highlight a little.
        return pixelsOf(image, cell, list.palette().color(QPalette::Highlight), 24);
    };
    EXPECT_GT(highlighted(details, 0), 100);
    EXPECT_EQ(highlighted(details, 2), 0);
    list.setExtendedStyle(ListView::FullRowSelect);
    EXPECT_GT(highlighted(grabAndKeep(&list, "list_details_full_row"), 2), 100);

    list.setView(lvwIcon);
    const QImage icons = grabAndKeep(&list, "list_large_icons");
    QListView* iconView = list.iconView();
    // The selected row's icon is drawn tinted, as it should be.
    for (int row = 0; row < list.count(); ++row) {
        if (list.item(row + 1)->selected()) continue;
        const QRect rect = inPicture(iconView, &list, iconView->model()->index(row, 0));
        EXPECT_GT(pixelsOf(icons, rect, LargeColour), 500) << "row " << row;
    }
    EXPECT_EQ(pixelsOf(icons, icons.rect(), SmallColour), 0);
    // Neighbouring icons do not overlap.
    EXPECT_FALSE(iconView->visualRect(iconView->model()->index(0, 0))
                     .intersects(iconView->visualRect(iconView->model()->index(1, 0))));

    list.setView(lvwList);
    grabAndKeep(&list, "list_list");
    list.setView(lvwSmallIcon);
    grabAndKeep(&list, "list_small_icons");
}

TEST(ControlPictures, TreeIndentsLevelsAndDrawsNodeIcons) {
    Fixture f;
    TreeView tree;
    tree.setObjectName("treCats");
    tree.setImageList(&f.small);
    tree.add(QString(), tvwChild, "0 Key", "Library.mdb", "MRV")->setExpanded(true);
    tree.add("0 Key", tvwChild, "1 Key", "Utilities", "FOLDER");
    tree.add("1 Key", tvwChild, "2 Key", "Strings", "FOLDER");
    tree.add("2 Key", tvwChild, "3 Key", "Web links", "WEB");
    tree.add("1 Key", tvwChild, "4 Key", "Files", "FILE");
    tree.add("0 Key", tvwChild, "5 Key", "<New Category>", "FOLDER");
    tree.ensureVisible(tree.node("3 Key"));
    tree.setSelectedItem(tree.node("2 Key"));
    tree.setDropHighlight(tree.node("4 Key"));
    tree.resize(260, 180);
    tree.show();

    const QImage picture = grabAndKeep(&tree, "tree");
    int previousLeft = -1;
    for (const char* key : {"0 Key", "1 Key", "2 Key", "3 Key"}) {
        const QRect rect = inPicture(&tree, &tree, tree.indexFromNode(tree.node(key)));
        EXPECT_TRUE(tree.node(key)->selected() || pixelsOf(picture, rect, SmallColour) > 100) << key;
        EXPECT_GT(rect.left(), previousLeft) << key;
        previousLeft = rect.left();
    }
}
