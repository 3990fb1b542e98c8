// Pictures of the client's windows for a person to look at, written under the build folder.

#include "client_fixture.h"

#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

using clienttest::ClientTest;

namespace {

QString shotFolder() {
    const QString folder = QStringLiteral(MRV_TEST_PROGRAM_DIR "/../screenshots");
    QDir().mkpath(folder);
    return folder;
}

int colourCount(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4) colours.insert(image.pixel(x, y));
    return int(colours.size());
}

TEST_F(ClientTest, SplashAndMainWindowPicturesWithTheBrowserFillingTheWindow) {
    frmSplash splash;
    splash.showSplash();
    const QImage splashShot = splash.grab().toImage();
    EXPECT_GT(colourCount(splashShot), 20) << "the artwork is drawn";
    EXPECT_TRUE(splashShot.save(shotFolder() + "/client-splash.png"));
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(splash.pos(), frmSplash::placement(screen, splash.size()));
    EXPECT_EQ(frmSplash::placement(QSize(1000, 1000), QSize(400, 200)), QPoint(300, 300));
    splash.close();

    fake::MRVDocument::onFormatWindow = [] {
        auto* layout = new QVBoxLayout(fake::MRVDocument::last);
        auto* label = new QLabel(QStringLiteral("Stand-in document: Client set, FormatWindow called"));
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
        fake::MRVDocument::last->setAutoFillBackground(true);
    };
    auto main = load(QString(), m_clock);
    // The browser control fills the window, and the document the control.
    main->resize(640, 400);
    QApplication::processEvents();
    EXPECT_EQ(main->WebBrowser1->geometry(), main->rect());
    EXPECT_EQ(fake::MRVDocument::last->geometry(), main->WebBrowser1->rect());
    EXPECT_GT(colourCount(main->grab().toImage()), 2) << "the stand-in document is drawn";
    EXPECT_TRUE(main->grab().save(shotFolder() + "/client-main.png"));
    main->close();
}

}  // namespace
