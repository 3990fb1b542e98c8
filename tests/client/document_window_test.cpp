#include "client_fixture.h"

#include "client/document_window.h"

#include <QScreen>

using clienttest::ClientTest;
using storetest::writeBytes;

namespace {

using DocumentWindowTest = ClientTest;

TEST_F(DocumentWindowTest, TheHostLeavesTheAnnouncementAloneSoTheDocumentIsTheBrowserKind) {
    // Whatever stands in "Loading Instance" reaches the document unchanged: the host wrote nothing.
    for (const char* left : {"0", "", "7"}) {
        store::SaveSetting(store::generalAppName(), "General Properties", "Loading Instance", left);
        DocumentWindow window;
        ASSERT_TRUE(window.open(DocumentWindow::defaultDocumentPath()));
        ASSERT_NE(fake::MRVDocument::last, nullptr);
        EXPECT_EQ(fake::MRVDocument::last->loadingInstance, QString(left));
        EXPECT_EQ(fake::MRVDocument::last->instanceType, 3)
            << "a document nobody announced is the Browser kind";
        EXPECT_EQ(fake::MRVDocument::last->Client(), nullptr);
        settle();
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(fake::MRVDocument::last->formatCalls, 0) << "a browser knows nothing of FormatWindow";
        EXPECT_EQ(window.windowTitle(), "MRVDocument.vbd - Morvane");
        EXPECT_TRUE(boxes().isEmpty());
        window.close();
    }
}

TEST_F(DocumentWindowTest, TheHostReportsAFileItCannotOpen) {
    writeBytes(path("bad.vbd"), "MorvaneDocument 1\nClass=Morvane.MRVDoc");
    DocumentWindow window;
    EXPECT_FALSE(window.open(path("bad.vbd")));
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].icon, ui::vbExclamation);
    EXPECT_TRUE(boxes()[0].text.contains("bad.vbd"));
    EXPECT_TRUE(boxes()[0].text.contains(QString::number(dochost::errDocumentFormat)));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(loadingInstance(), "<none>");
}

TEST_F(DocumentWindowTest, TheHostsWindowIsCentredUntilTheUserPlacesIt) {
    DocumentWindow first;
    ASSERT_TRUE(first.open(DocumentWindow::defaultDocumentPath()));
    settle();
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(std::abs(first.x() + first.width() / 2 - centre.x()), 1);
    EXPECT_LE(std::abs(first.y() + first.height() / 2 - centre.y()), 1);
    first.move(10, 20);
    first.close();
    DocumentWindow second;
    ASSERT_TRUE(second.open(DocumentWindow::defaultDocumentPath()));
    EXPECT_EQ(second.pos(), QPoint(10, 20));
    EXPECT_EQ(second.size(), first.size());
    settle();
    second.close();
}

}  // namespace
