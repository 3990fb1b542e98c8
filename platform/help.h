#pragma once

// The program's help: a window of our own over HTML pages, standing in for the old help viewer.
// A help file "<folder>/MRVHelp.hlp" names the pages in "<folder>/help"; their "topics.txt" lists
// the contents in order, the keyword index and the pages of the help context numbers:
//   [contents]   page.html | Title
//   [index]      keyword = page.html#anchor
//   [contexts]   15 = page.html#anchor

#include <QMap>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <utility>
#include <vector>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;

namespace help {

// The old viewer's commands that the program gives.
enum Command : int {
    HELP_CONTEXT = 0x1,       // the page of a context number
    HELP_QUIT = 0x2,          // close the window
    HELP_CONTENTS = 0x3,      // the contents page
    HELP_FINDER = 0xB,        // contents and index, as last shown
    HELP_PARTIALKEY = 0x105,  // the keyword index, searching for key (all keywords when empty)
};

// Opens (or closes) the help window for helpFile. False when the pages cannot be read or the
// context number has no page; the window then shows the contents.
bool WinHelp(QWidget* owner, const QString& helpFile, int command, int context = 0,
             const QString& key = QString());

class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Reads the topics of the pages in folder; false when it has none.
    bool load(const QString& folder);
    QString folder() const { return m_folder; }

    bool showContext(int context);
    void showContents();
    // The index tab, with the first keyword that begins with key selected.
    void showIndex(const QString& key = QString());
    // A page of the folder, with an optional "#anchor".
    bool showTopic(const QString& target);
    QUrl currentSource() const;
    QString currentTitle() const;

    // Shows the window above everything, usable even while a modal dialog runs.
    void present();

private:
    void fillIndex();
    void filterIndex(const QString& key);

    QString m_folder;
    std::vector<std::pair<QString, QString>> m_contents;  // page, title
    QMap<QString, QString> m_index;                       // keyword (lower case) -> target
    QMap<QString, QString> m_keywords;                    // keyword (lower case) -> as written
    QMap<int, QString> m_contexts;
    QTabWidget* m_tabs;
    QListWidget* m_contentsList;
    QLineEdit* m_keyword;
    QListWidget* m_indexList;
    QTextBrowser* m_browser;
};

// The process's help window, nullptr until help was first shown.
HelpWindow* helpWindow();

}  // namespace help
