#include "client_fixture.h"

#include "client/document_window.h"

#include <QScreen>

using clienttest::ClientTest;

namespace {

TEST_F(ClientTest, TheDocumentHostLeavesTheAnnouncementAlone) {
    // Whatever stands in "Loading Instance" reaches the document unchanged: the host wrote nothing.
    store::SaveSetting(store::generalAppName(), "General Properties", "Loading Instance", "0");
    DocumentWindow window;
    EXPECT_EQ(DocumentWindow::defaultDocumentPath(), store::programFolder() + "/MRVDocument.vbd");
    ASSERT_TRUE(window.open(DocumentWindow::defaultDocumentPath()));
    ASSERT_NE(fake::MRVDocument::last, nullptr);
    EXPECT_EQ(fake::MRVDocument::last->loadingInstance, "0");
    EXPECT_EQ(fake::MRVDocument::last->instanceType, 3) << "a document nobody announced is the Browser kind";
    EXPECT_EQ(fake::MRVDocument::last->Client(), nullptr);
    settle();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(fake::MRVDocument::last->formatCalls, 0) << "a browser knows nothing of FormatWindow";
    EXPECT_EQ(window.windowTitle(), "MRVDocument.vbd - Morvane");
    EXPECT_TRUE(boxes().isEmpty());
    window.close();

    // Absent, or left over as an odd value: the host still adds nothing.
    for (const char* left : {"", "7"}) {
        store::SaveSetting(store::generalAppName(), "General Properties", "Loading Instance", left);
        DocumentWindow again;
        ASSERT_TRUE(again.open(DocumentWindow::defaultDocumentPath()));
        EXPECT_EQ(fake::MRVDocument::last->loadingInstance, QString(left));
        EXPECT_EQ(fake::MRVDocument::last->instanceType, 3);
        settle();
        again.close();
    }
}

TEST_F(ClientTest, TheDocumentHostReportsAFileItCannotOpen) {
    writeFile(path("bad.vbd"), "MorvaneDocument 1\nClass=Morvane.MRVDoc");
    DocumentWindow window;
    EXPECT_FALSE(window.open(path("bad.vbd")));
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].icon, ui::vbExclamation);
    EXPECT_TRUE(boxes()[0].text.contains("bad.vbd"));
    EXPECT_TRUE(boxes()[0].text.contains(QString::number(dochost::errDocumentFormat)));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(loadingInstance(), "<none>");
}

}  // namespace

namespace {

TEST_F(ClientTest, TheDocumentHostsWindowIsCentredUntilTheUserPlacesIt) {
    DocumentWindow first;
    ASSERT_TRUE(first.open(DocumentWindow::defaultDocumentPath()));
    settle();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(first.x() + first.width() / 2 - area.center().x()), 1);
    EXPECT_LE(std::abs(first.y() + first.height() / 2 - area.center().y()), 1);
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
