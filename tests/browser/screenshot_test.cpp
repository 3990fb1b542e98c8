// A picture of the browser on the sample library for a person to look at, written under the build
// folder.

#include "browser/MRVDocument.h"

#include "tests/browser/browser_fixture.h"

#include <QApplication>
#include <QImage>
#include <QSet>

using namespace browsertest;

namespace {

class ScreenshotTest : public BrowserTest {};

TEST_F(ScreenshotTest, BrowserOnTheSampleLibrary) {
    store::setProgramFolder(QStringLiteral(MRV_TEST_PROGRAM_DIR));
    browser::MRVDocument* doc = open(QString());
    ASSERT_FALSE(doc->DBFileName().isEmpty());
    doc->resize(1000, 700);
    doc->show();
    QApplication::processEvents();

    EXPECT_TRUE(node(doc, QStringLiteral("0 Key"))->expanded());
    EXPECT_EQ(doc->lstvProcs->view(), controls::lvwReport);
    EXPECT_TRUE(statusText(doc).startsWith(QStringLiteral("Root: All (")));

    const QImage shot = doc->grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 4)
        for (int x = 0; x < shot.width(); x += 4) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 20) << "icons and text are drawn";
    const QString folder = QStringLiteral(MRV_TEST_PROGRAM_DIR "/../screenshots");
    QDir().mkpath(folder);
    EXPECT_TRUE(shot.save(folder + QStringLiteral("/browser-sample.png")));
}

}  // namespace
