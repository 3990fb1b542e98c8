#include "platform/dochost.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

// The documents a host reported complete, in order.
class Completions : public QObject {
public:
    explicit Completions(DocumentHost& host) {
        connect(&host, &DocumentHost::NavigateComplete, this,
                [this](QObject* document) { documents << document; });
    }
    QList<QObject*> documents;
};

int errorOf(const QByteArray& text) {
    try {
        dochost::parseDocumentFile(text, QStringLiteral("test.vbd"));
    } catch (const engine::Error& e) {
        return e.number();
    }
    return 0;
}

QString descriptionOf(const QByteArray& text) {
    try {
        dochost::parseDocumentFile(text, QStringLiteral("test.vbd"));
    } catch (const engine::Error& e) {
        return e.description();
    }
    return QString();
}

int errorOfFile(const QString& path) {
    try {
        dochost::readDocumentFile(path);
    } catch (const engine::Error& e) {
        return e.number();
    }
    return 0;
}

class DocHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        dochost::registerDocumentClass(QStringLiteral("Test.Document"),
                                       [](QWidget* parent) { return new Document(parent); });
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override { dochost::unregisterDocumentClass(QStringLiteral("Test.Document")); }

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }

    QTemporaryDir m_dir;
};

TEST(DocumentFile, ReadsTheClassInEveryAcceptedSpelling) {
    EXPECT_EQ(dochost::parseDocumentFile(dochost::documentFileText("Morvane.MRVDocument"), "a").className,
              "Morvane.MRVDocument");
    const QByteArray loose =
        "\xEF\xBB\xBFMorvaneDocument 1\r\n; written by hand\r\n\r\n# comment\r\nTitle = Code Library\r\n"
        "  class =  Morvane.MRVDocument  \r\n";
    const dochost::DocumentFile file = dochost::parseDocumentFile(loose, "b");
    EXPECT_EQ(file.className, "Morvane.MRVDocument");
    EXPECT_EQ(file.formatVersion, 1);
}

TEST(DocumentFile, TheShippedFileNamesTheBrowserDocument) {
    const QString source = QStringLiteral(MRV_SOURCE_DIR "/resources/MRVDocument.vbd");
    const QString built = QStringLiteral(MRV_TEST_PROGRAM_DIR "/MRVDocument.vbd");
    EXPECT_EQ(dochost::readDocumentFile(source).className, "Morvane.MRVDocument");
    QFile a(source), b(built);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    ASSERT_TRUE(b.open(QIODevice::ReadOnly)) << "the build copies the document file into the program folder";
    EXPECT_EQ(a.readAll(), b.readAll());
}

// Cut at every length, a file either fails as damaged or gives its whole class name, never a part.
TEST(DocumentFile, EveryCutIsReportedOrComplete) {
    const QByteArray lastLine = "MorvaneDocument 1\n; comment\nTitle=Library\nClass=Morvane.MRVDocument\n";
    for (int n = 0; n < lastLine.size(); ++n)
        EXPECT_EQ(errorOf(lastLine.left(n)), dochost::errDocumentFormat) << "cut at " << n;
    EXPECT_EQ(errorOf(lastLine), 0);

    const QByteArray middle = "MorvaneDocument 1\nClass=Morvane.MRVDocument\nTitle=Library\n";
    for (int n = 0; n <= middle.size(); ++n) {
        try {
            EXPECT_EQ(dochost::parseDocumentFile(middle.left(n), "cut").className, "Morvane.MRVDocument")
                << "cut at " << n;
        } catch (const engine::Error& e) {
            EXPECT_EQ(e.number(), dochost::errDocumentFormat) << "cut at " << n;
        }
    }
}

TEST(DocumentFile, ForeignAndGarbledFilesAreRefused) {
    const int format = dochost::errDocumentFormat;
    EXPECT_EQ(errorOf(""), format);
    EXPECT_EQ(errorOf("\n"), format);
    EXPECT_EQ(errorOf("<html><body>MorvaneDocument 1</body></html>\n"), format);
    EXPECT_EQ(errorOf("MorvaneToolbarLayout 1\nClass=Morvane.MRVDocument\n"), format);
    EXPECT_EQ(errorOf("MorvaneDocument\nClass=Morvane.MRVDocument\n"), format);
    EXPECT_EQ(errorOf("MorvaneDocument one\nClass=Morvane.MRVDocument\n"), format);
    EXPECT_EQ(errorOf("MorvaneDocument 0\nClass=Morvane.MRVDocument\n"), format);
    EXPECT_EQ(errorOf("MorvaneDocument 1\n"), format);
    EXPECT_EQ(errorOf("MorvaneDocument 1\nTitle=Library\n"), format);
    EXPECT_EQ(errorOf("MorvaneDocument 1\nClass=\n"), format);
    EXPECT_EQ(errorOf("MorvaneDocument 1\nClass=Morvane MRVDocument\n"), format);
    EXPECT_EQ(errorOf("MorvaneDocument 1\nClass=Morvane.\n"), format);
    EXPECT_EQ(errorOf("MorvaneDocument 1\nClass=A.B\nClass=A.B\n"), format);
    EXPECT_EQ(errorOf("MorvaneDocument 1\nthis line has no key\nClass=A.B\n"), format);
    EXPECT_EQ(errorOf(QByteArray("MorvaneDocument 1\nClass=A.B\n\0\n", 30)), format);
    EXPECT_EQ(errorOf("MorvaneDocument 1\nClass=Caf\xE9.Doc\n"), format);  // Latin-1, not UTF-8
    EXPECT_EQ(errorOf("MorvaneDocument 2\nClass=A.B\n"), dochost::errDocumentVersion);

    // The user is told which of the two it was.
    EXPECT_TRUE(descriptionOf("garbage").endsWith("it is not a Morvane document file."))
        << descriptionOf("garbage").toStdString();
    EXPECT_TRUE(descriptionOf("Morvane").endsWith("the file is cut short."));
    EXPECT_TRUE(descriptionOf("MorvaneDocument 1\nClass=A").endsWith("the file is cut short."));
    EXPECT_TRUE(descriptionOf("MorvaneDocument 1x\n").endsWith("the first line is damaged."));

    // One byte changed anywhere: refused as damaged, or a class name that opens nothing else.
    const QByteArray good = dochost::documentFileText("Morvane.MRVDocument");
    for (int i = 0; i < good.size(); ++i) {
        for (char c : {'\0', '\n', ' ', '=', 'x', '\xFF'}) {
            QByteArray bad = good;
            if (bad[i] == c) continue;
            bad[i] = c;
            try {
                const QString name = dochost::parseDocumentFile(bad, "flip").className;
                if (name == "Morvane.MRVDocument") continue;
                QWidget parent;
                dochost::createDocument(name, &parent);
                ADD_FAILURE() << "created " << name.toStdString();
            } catch (const engine::Error& e) {
                EXPECT_TRUE(e.number() == dochost::errDocumentFormat ||
                            e.number() == dochost::errClassNotRegistered)
                    << i << ": " << e.number();
            }
        }
    }
}

TEST_F(DocHostTest, FilesThatCannotBeReadGiveTheirOwnNumbers) {
    EXPECT_EQ(errorOfFile(m_dir.filePath("missing.vbd")), engine::errFileNotFound);
    EXPECT_EQ(errorOfFile(QString()), engine::errFileNotFound);
    QDir(m_dir.path()).mkdir("folder.vbd");
    EXPECT_EQ(errorOfFile(m_dir.filePath("folder.vbd")), engine::errCantOpen);
    QByteArray huge = dochost::documentFileText("Test.Document");
    huge += QByteArray(70000, '#') + '\n';
    EXPECT_EQ(errorOfFile(write("huge.vbd", huge)), dochost::errDocumentFormat);
}

TEST_F(DocHostTest, NavigateCreatesTheDocumentInsideAndSignalsLater) {
    DocumentHost host;
    host.resize(320, 200);
    host.show();
    Completions complete(host);
    const QString path = write("doc.vbd", dochost::documentFileText("test.DOCUMENT"));  // any letter case

    host.Navigate(path);
    auto* document = qobject_cast<Document*>(host.Document());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->parentWidget(), &host);
    EXPECT_EQ(host.LocationURL(), QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(complete.documents.size(), 0) << "a browser control reports completion from its event loop";

    QApplication::processEvents();
    ASSERT_EQ(complete.documents.size(), 1);
    EXPECT_EQ(complete.documents[0], document);
    EXPECT_TRUE(document->isVisible());
    EXPECT_EQ(document->geometry(), host.rect());
    host.resize(500, 400);
    QApplication::processEvents();
    EXPECT_EQ(document->geometry(), host.rect());
}

TEST_F(DocHostTest, AFailedNavigationKeepsTheDocumentShown) {
    DocumentHost host;
    Completions complete(host);
    host.Navigate(write("doc.vbd", dochost::documentFileText("Test.Document")));
    QObject* first = host.Document();

    try {
        host.Navigate(write("other.vbd", dochost::documentFileText("Nobody.Registered")));
        FAIL() << "an unknown class must fail";
    } catch (const engine::Error& e) {
        EXPECT_EQ(e.number(), dochost::errClassNotRegistered);
        EXPECT_TRUE(e.description().contains("Nobody.Registered"));
    }
    EXPECT_THROW(host.Navigate(write("bad.vbd", "garbage")), engine::Error);
    EXPECT_EQ(host.Document(), first);
    QApplication::processEvents();
    EXPECT_EQ(complete.documents.size(), 1);
}

TEST_F(DocHostTest, OnlyTheLatestNavigationCompletes) {
    DocumentHost host;
    Completions complete(host);
    const QString path = write("doc.vbd", dochost::documentFileText("Test.Document"));
    host.Navigate(path);
    QPointer<QObject> first = host.Document();
    host.Navigate(path);
    QObject* second = host.Document();
    EXPECT_NE(first.data(), second);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(complete.documents.size(), 1);
    EXPECT_EQ(complete.documents[0], second);
    EXPECT_TRUE(first.isNull()) << "the replaced document is gone";
}

TEST_F(DocHostTest, AFactoryThatCreatesNothingIsAnError) {
    dochost::registerDocumentClass("Test.Nothing", [](QWidget*) { return nullptr; });
    EXPECT_TRUE(dochost::isDocumentClassRegistered("TEST.nothing"));
    DocumentHost host;
    EXPECT_THROW(host.Navigate(write("n.vbd", dochost::documentFileText("Test.Nothing"))), engine::Error);
    dochost::unregisterDocumentClass("Test.Nothing");
    EXPECT_FALSE(dochost::isDocumentClassRegistered("Test.Nothing"));
}

TEST(LateBinding, CallsByNameRaiseWhatTheOldCallsRaised) {
    Document document;
    QObject client;
    dochost::setObjectProperty(&document, "Client", QVariant::fromValue(&client));
    EXPECT_EQ(document.Client(), &client);
    dochost::invokeObjectMethod(&document, "FormatWindow");
    EXPECT_EQ(document.formatCalls, 1);

    auto number = [](auto call) {
        try {
            call();
        } catch (const engine::Error& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(number([&] { dochost::setObjectProperty(&document, "Klient", QVariant()); }), 438);
    EXPECT_EQ(number([&] { dochost::invokeObjectMethod(&document, "FormatWindows"); }), 438);
    EXPECT_EQ(number([&] { dochost::invokeObjectMethod(nullptr, "FormatWindow"); }), 438);
    EXPECT_EQ(number([&] { dochost::setObjectProperty(&document, "Count", QVariant::fromValue(&client)); }),
              13);
}

}  // namespace

#include "dochost_test.moc"
