#include "platform/dochost.h"

#include "platform_fixture.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platformtest::errorOf;
using platformtest::raised;

namespace {

class Document : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QObject* Client READ Client WRITE setClient)
    Q_PROPERTY(int Count READ Count WRITE setCount)
public:
    using QWidget::QWidget;
    QObject* Client() const { return m_client; }
    void setClient(QObject* client) { m_client = client; }
    int Count() const { return 0; }
    void setCount(int) {}
    Q_INVOKABLE void FormatWindow() { ++formatCalls; }
    int formatCalls = 0;

private:
    QObject* m_client = nullptr;
};

platformtest::Raised parsed(const QByteArray& text) {
    return raised([&] { dochost::parseDocumentFile(text, QStringLiteral("test.vbd")); });
}

class DocHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        dochost::registerDocumentClass("Test.Document", [](QWidget* parent) { return new Document(parent); });
        QObject::connect(&host, &DocumentHost::NavigateComplete, [this](QObject* d) { completed << d; });
    }
    void TearDown() override { dochost::unregisterDocumentClass("Test.Document"); }
    QString write(const QString& name, const QByteArray& bytes) {
        platformtest::writeFile(m_dir.filePath(name), bytes);
        return m_dir.filePath(name);
    }

    QTemporaryDir m_dir;
    QList<QObject*> completed;  // the documents reported complete, in order
    DocumentHost host;
};

TEST(DocumentFile, ReadsTheClassInEveryAcceptedSpellingAndTheShippedFile) {
    const QByteArray loose =
        "\xEF\xBB\xBFMorvaneDocument 1\r\n; written by hand\r\n\r\n# comment\r\nTitle = Code Library\r\n"
        "  class =  Morvane.MRVDocument  \r\n";
    EXPECT_EQ(dochost::parseDocumentFile(loose, "b").className, "Morvane.MRVDocument");
    EXPECT_EQ(dochost::parseDocumentFile(loose, "b").formatVersion, 1);

    const QString source = QStringLiteral(MRV_SOURCE_DIR "/resources/MRVDocument.vbd");
    EXPECT_EQ(dochost::readDocumentFile(source).className, "Morvane.MRVDocument");
    EXPECT_EQ(platformtest::readFile(QStringLiteral(MRV_TEST_PROGRAM_DIR "/MRVDocument.vbd")),
              platformtest::readFile(source))
        << "the build copies the document file into the program folder";
}

TEST(DocumentFile, CutDamagedAndForeignFilesAreRefused) {
    // Cut at every length, a file is reported, never read as a part of its class name.
    const QByteArray whole = "MorvaneDocument 1\n; comment\nTitle=Library\nClass=Morvane.MRVDocument\n";
    for (int n = 0; n < whole.size(); ++n)
        EXPECT_EQ(parsed(whole.left(n)).number, dochost::errDocumentFormat) << "cut at " << n;
    EXPECT_EQ(parsed(whole).number, 0);

    for (const QByteArray& text : {
             QByteArray("\n"), QByteArray("<html><body>MorvaneDocument 1</body></html>\n"),
             QByteArray("MorvaneToolbarLayout 1\nClass=Morvane.MRVDocument\n"),
             QByteArray("MorvaneDocument\nClass=Morvane.MRVDocument\n"),
             QByteArray("MorvaneDocument 0\nClass=Morvane.MRVDocument\n"),
             QByteArray("MorvaneDocument 1\nTitle=Library\n"), QByteArray("MorvaneDocument 1\nClass=\n"),
             QByteArray("MorvaneDocument 1\nClass=Morvane MRVDocument\n"),
             QByteArray("MorvaneDocument 1\nClass=Morvane.\n"),
             QByteArray("MorvaneDocument 1\nClass=A.B\nClass=A.B\n"),
             QByteArray("MorvaneDocument 1\nthis line has no key\nClass=A.B\n"),
             QByteArray("MorvaneDocument 1\nClass=A.B\n\0\n", 30),
             QByteArray("MorvaneDocument 1\nClass=Caf\xE9.Doc\n"),  // Latin-1, not UTF-8
         })
        EXPECT_EQ(parsed(text).number, dochost::errDocumentFormat) << text.toStdString();
    EXPECT_EQ(parsed("MorvaneDocument 2\nClass=A.B\n").number, dochost::errDocumentVersion);
    // The user is told which it was.
    EXPECT_TRUE(parsed("garbage").description.endsWith("it is not a Morvane document file."));
    EXPECT_TRUE(parsed("MorvaneDocument 1\nClass=A").description.endsWith("the file is cut short."));
    EXPECT_TRUE(parsed("MorvaneDocument 1x\n").description.endsWith("the first line is damaged."));

    // One byte changed anywhere: refused as damaged, or a class name that opens nothing else.
    const QByteArray good = dochost::documentFileText("Morvane.MRVDocument");
    for (int i = 0; i < good.size(); ++i) {
        for (char c : {'\0', '\n', ' ', '=', 'x', '\xFF'}) {
            QByteArray bad = good;
            bad[i] = c;
            bool created = false;
            const int error = errorOf([&] {
                const QString name = dochost::parseDocumentFile(bad, "flip").className;
                QWidget parent;
                if (name == "Morvane.MRVDocument") return;
                dochost::createDocument(name, &parent);
                created = true;
            });
            EXPECT_FALSE(created) << i;
            EXPECT_TRUE(error == 0 || error == dochost::errDocumentFormat ||
                        error == dochost::errClassNotRegistered)
                << i << ": " << error;
        }
    }
}

TEST_F(DocHostTest, FilesThatCannotBeReadGiveTheirOwnNumbers) {
    const auto read = [](const QString& path) { return errorOf([&] { dochost::readDocumentFile(path); }); };
    EXPECT_EQ(read(m_dir.filePath("missing.vbd")), mrv::errFileNotFound);
    EXPECT_EQ(read(QString()), mrv::errFileNotFound);
    QDir(m_dir.path()).mkdir("folder.vbd");
    EXPECT_EQ(read(m_dir.filePath("folder.vbd")), mrv::errCantOpen);
    const QByteArray huge = dochost::documentFileText("Test.Document") + QByteArray(70000, '#') + '\n';
    EXPECT_EQ(read(write("huge.vbd", huge)), dochost::errDocumentFormat);
}

TEST_F(DocHostTest, NavigateCreatesTheDocumentInsideAndSignalsLater) {
    host.resize(320, 200);
    host.show();
    const QString path = write("doc.vbd", dochost::documentFileText("test.DOCUMENT"));  // any letter case
    host.Navigate(path);
    auto* document = qobject_cast<Document*>(host.Document());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->parentWidget(), &host);
    EXPECT_EQ(host.LocationURL(), QFileInfo(path).absoluteFilePath());
    EXPECT_TRUE(completed.isEmpty()) << "a browser control reports completion from its event loop";
    QApplication::processEvents();
    EXPECT_EQ(completed, QList<QObject*>{document});
    EXPECT_TRUE(document->isVisible());
    host.resize(500, 400);
    QApplication::processEvents();
    EXPECT_EQ(document->geometry(), host.rect());

    // Only the latest of two navigations completes, and the replaced document goes.
    completed.clear();
    host.Navigate(path);
    QPointer<QObject> first = host.Document();
    host.Navigate(path);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(completed, QList<QObject*>{host.Document()});
    EXPECT_TRUE(first.isNull());
}

TEST_F(DocHostTest, AFailedNavigationKeepsTheDocumentShown) {
    host.Navigate(write("doc.vbd", dochost::documentFileText("Test.Document")));
    QObject* first = host.Document();
    const auto error =
        raised([&] { host.Navigate(write("o.vbd", dochost::documentFileText("Nobody.Registered"))); });
    EXPECT_EQ(error.number, dochost::errClassNotRegistered);
    EXPECT_TRUE(error.description.contains("Nobody.Registered"));
    EXPECT_EQ(errorOf([&] { host.Navigate(write("bad.vbd", "garbage")); }), dochost::errDocumentFormat);
    // A class whose factory creates nothing is registered (in any case) but fails.
    dochost::registerDocumentClass("Test.Nothing", [](QWidget*) { return nullptr; });
    EXPECT_TRUE(dochost::isDocumentClassRegistered("TEST.nothing"));
    EXPECT_NE(errorOf([&] { host.Navigate(write("n.vbd", dochost::documentFileText("Test.Nothing"))); }), 0);
    dochost::unregisterDocumentClass("Test.Nothing");
    EXPECT_FALSE(dochost::isDocumentClassRegistered("Test.Nothing"));

    EXPECT_EQ(host.Document(), first);
    QApplication::processEvents();
    EXPECT_EQ(completed.size(), 1);
}

TEST(LateBinding, CallsByNameRaiseWhatTheOldCallsRaised) {
    Document document;
    QObject client;
    dochost::setObjectProperty(&document, "Client", QVariant::fromValue(&client));
    EXPECT_EQ(document.Client(), &client);
    dochost::invokeObjectMethod(&document, "FormatWindow");
    EXPECT_EQ(document.formatCalls, 1);
    EXPECT_EQ(errorOf([&] { dochost::setObjectProperty(&document, "Klient", QVariant()); }), 438);
    EXPECT_EQ(errorOf([&] { dochost::invokeObjectMethod(&document, "FormatWindows"); }), 438);
    EXPECT_EQ(errorOf([&] { dochost::invokeObjectMethod(nullptr, "FormatWindow"); }), 438);
    EXPECT_EQ(errorOf([&] { dochost::setObjectProperty(&document, "Count", QVariant::fromValue(&client)); }),
              13);
    EXPECT_EQ(dochost::objectProperty(&document, "Client").value<QObject*>(), &client);
    EXPECT_EQ(errorOf([&] { dochost::objectProperty(&document, "Klient"); }), 438);
}

// Objects without a window are created by name like documents, from a registry of their own.
TEST(LateBinding, ObjectClassesAreCreatedByNameApartFromDocumentClasses) {
    QObject parent;
    dochost::registerObjectClass("Test.Helper", [](QObject* p) { return new QObject(p); });
    EXPECT_EQ(dochost::createObject("test.HELPER", &parent)->parent(), &parent);
    EXPECT_FALSE(dochost::isDocumentClassRegistered("Test.Helper"));
    dochost::unregisterObjectClass("Test.Helper");
    EXPECT_EQ(errorOf([&] { dochost::createObject("Test.Helper", &parent); }),
              dochost::errClassNotRegistered);
    dochost::registerObjectClass("Test.Nothing", [](QObject*) -> QObject* { return nullptr; });
    EXPECT_EQ(errorOf([&] { dochost::createObject("Test.Nothing", &parent); }),
              dochost::errClassNotRegistered);
    dochost::unregisterObjectClass("Test.Nothing");
}

}  // namespace

#include "dochost_test.moc"
