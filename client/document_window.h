#pragma once

// The plain window of the document host "mrv": opens a document file as a web browser would,
// without announcing itself, so that the document runs as the "Browser" instance with its own
// settings.

#include <QMainWindow>

class DocumentHost;

class DocumentWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit DocumentWindow(QWidget* parent = nullptr);

    // Navigates to the document file and shows the window once the document is there. False, after
    // telling the user, when the file cannot be opened.
    bool open(const QString& path);
    DocumentHost* host() const { return m_host; }

    // The document file opened when none is given: the program folder's.
    static QString defaultDocumentPath();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void navigateComplete(QObject* document);
    // The default size, centred, until the user has placed the window.
    void placeFirstTime();

    DocumentHost* m_host;
};
