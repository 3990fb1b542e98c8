#include "platform/help.h"

#include "platform/placement.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextStream>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace help {

namespace {

constexpr int kTargetRole = Qt::UserRole + 1;

QPointer<HelpWindow>& theWindow() {
    static QPointer<HelpWindow> window;
    return window;
}

QString pagesFolder(const QString& helpFile) {
    return QFileInfo(helpFile).absolutePath() + QStringLiteral("/help");
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Morvane Help"));
    resize(820, 560);

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("tabHelp"));
    m_contentsList = new QListWidget;
    m_contentsList->setObjectName(QStringLiteral("lstContents"));
    m_tabs->addTab(m_contentsList, QStringLiteral("Contents"));

    auto* indexPage = new QWidget;
    m_keyword = new QLineEdit;
    m_keyword->setObjectName(QStringLiteral("txtKeyword"));
    m_keyword->setPlaceholderText(QStringLiteral("Type the first letters of a word"));
    m_indexList = new QListWidget;
    m_indexList->setObjectName(QStringLiteral("lstIndex"));
    auto* display = new QPushButton(QStringLiteral("&Display"));
    display->setObjectName(QStringLiteral("cmdDisplay"));
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->addWidget(m_keyword);
    indexLayout->addWidget(m_indexList);
    indexLayout->addWidget(display, 0, Qt::AlignRight);
    m_tabs->addTab(indexPage, QStringLiteral("Index"));

    m_browser = new QTextBrowser;
    m_browser->setObjectName(QStringLiteral("txtTopic"));
    m_browser->setOpenExternalLinks(true);

    auto* back = new QToolButton;
    back->setText(QStringLiteral("Back"));
    back->setEnabled(false);
    auto* forward = new QToolButton;
    forward->setText(QStringLiteral("Forward"));
    forward->setEnabled(false);
    auto* contents = new QToolButton;
    contents->setText(QStringLiteral("Contents"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(contents);
    buttons->addStretch();

    auto* splitter = new QSplitter;
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 600});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(splitter);

    // Esc puts the help away, as it does any dialog.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    connect(back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);
    connect(contents, &QToolButton::clicked, this, &HelpWindow::showContents);
    connect(m_contentsList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { showTopic(item->data(kTargetRole).toString()); });
    connect(m_contentsList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { showTopic(item->data(kTargetRole).toString()); });
    connect(m_keyword, &QLineEdit::textEdited, this, &HelpWindow::filterIndex);
    const auto showSelectedKeyword = [this] {
        if (QListWidgetItem* item = m_indexList->currentItem()) showTopic(item->data(kTargetRole).toString());
    };
    connect(m_keyword, &QLineEdit::returnPressed, this, showSelectedKeyword);
    connect(display, &QPushButton::clicked, this, showSelectedKeyword);
    connect(m_indexList, &QListWidget::itemActivated, this, showSelectedKeyword);
}

bool HelpWindow::load(const QString& folder) {
    m_folder = folder;
    m_contents.clear();
    m_index.clear();
    m_keywords.clear();
    m_contexts.clear();

    QFile file(folder + QStringLiteral("/topics.txt"));
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&file);
        QString section;
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            if (line.isEmpty() || line.startsWith(u'#')) continue;
            if (line.startsWith(u'[') && line.endsWith(u']')) {
                section = line.mid(1, line.size() - 2).trimmed().toLower();
                continue;
            }
            if (section == QLatin1String("contents")) {
                const qsizetype bar = line.indexOf(u'|');
                if (bar > 0) m_contents.emplace_back(line.left(bar).trimmed(), line.mid(bar + 1).trimmed());
                continue;
            }
            const qsizetype eq = line.indexOf(u'=');
            if (eq <= 0) continue;
            const QString name = line.left(eq).trimmed();
            const QString target = line.mid(eq + 1).trimmed();
            if (section == QLatin1String("index")) {
                m_index.insert(name.toLower(), target);
                m_keywords.insert(name.toLower(), name);
            } else if (section == QLatin1String("contexts")) {
                bool ok = false;
                const int number = name.toInt(&ok);
                if (ok) m_contexts.insert(number, target);
            }
        }
    }

    m_contentsList->clear();
    for (const auto& [page, title] : m_contents) {
        auto* item = new QListWidgetItem(title, m_contentsList);
        item->setData(kTargetRole, page);
    }
    // The contents are read whole, not cut: the list is as wide as its longest title, up to half the
    // window.
    const int frame = 2 * m_contentsList->frameWidth();
    const int scrollBar = m_contentsList->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_contentsList->setMinimumWidth(
        std::min(m_contentsList->sizeHintForColumn(0) + frame + scrollBar + 8, width() / 2));
    fillIndex();
    return !m_contents.empty();
}

void HelpWindow::fillIndex() {
    m_indexList->clear();
    for (auto it = m_keywords.cbegin(); it != m_keywords.cend(); ++it) {
        auto* item = new QListWidgetItem(it.value(), m_indexList);
        item->setData(kTargetRole, m_index.value(it.key()));
    }
}

void HelpWindow::filterIndex(const QString& key) {
    // The list stays whole, as in the old index: the first keyword that begins with key is selected.
    const QString prefix = key.trimmed();
    for (int row = 0; row < m_indexList->count(); ++row) {
        if (m_indexList->item(row)->text().startsWith(prefix, Qt::CaseInsensitive)) {
            m_indexList->setCurrentRow(row);
            m_indexList->scrollToItem(m_indexList->item(row), QAbstractItemView::PositionAtTop);
            return;
        }
    }
}

bool HelpWindow::showContext(int context) {
    const auto it = m_contexts.constFind(context);
    if (it == m_contexts.cend() || !showTopic(it.value())) {
        showContents();
        return false;
    }
    return true;
}

void HelpWindow::showContents() {
    m_tabs->setCurrentIndex(0);
    if (!m_contents.empty()) showTopic(m_contents.front().first);
}

void HelpWindow::showIndex(const QString& key) {
    m_tabs->setCurrentIndex(1);
    m_keyword->setText(key);
    if (m_indexList->count() > 0) m_indexList->setCurrentRow(0);
    filterIndex(key);
    m_keyword->setFocus();
}

bool HelpWindow::showTopic(const QString& target) {
    const qsizetype hash = target.indexOf(u'#');
    const QString page = hash < 0 ? target : target.left(hash);
    const QString path = m_folder + u'/' + page;
    if (page.isEmpty() || !QFileInfo(path).isFile()) return false;
    QUrl url = QUrl::fromLocalFile(path);
    if (hash >= 0) url.setFragment(target.mid(hash + 1));
    m_browser->setSource(url);
    for (int row = 0; row < m_contentsList->count(); ++row) {
        if (m_contentsList->item(row)->data(kTargetRole).toString() == page) {
            m_contentsList->setCurrentRow(row);
            break;
        }
    }
    return true;
}

QUrl HelpWindow::currentSource() const {
    return m_browser->source();
}

QString HelpWindow::currentTitle() const {
    return m_browser->documentTitle();
}

void HelpWindow::present() {
    // A window whose transient parent is the running modal dialog is not blocked by it.
    winId();
    if (QWindow* window = windowHandle()) {
        QWidget* modal = QApplication::activeModalWidget();
        window->setTransientParent(modal && modal->window() != this ? modal->window()->windowHandle()
                                                                    : nullptr);
    }
    show();
    raise();
    activateWindow();
}

bool WinHelp(QWidget* owner, const QString& helpFile, int command, int context, const QString& key) {
    QPointer<HelpWindow>& window = theWindow();
    if (command == HELP_QUIT) {
        if (window) window->close();
        return true;
    }
    // One window for the process, hidden when closed and shown again when asked for.
    if (!window) window = new HelpWindow;
    // Opened where the user is looking: over the window that asked, on its screen. Once shown, it
    // stays where the user put it.
    if (!window->isVisible()) {
        window->resize(window->size().expandedTo(window->minimumSizeHint()));
        if (owner) platform::placeOver(window, owner);
        platform::keepOnScreen(window);
    }
    const QString folder = pagesFolder(helpFile);
    bool ok = window->load(folder);  // cheap, and picks up pages changed since
    switch (command) {
        case HELP_CONTEXT:
            ok = window->showContext(context) && ok;
            break;
        case HELP_PARTIALKEY:
            window->showContents();
            window->showIndex(key);
            break;
        case HELP_FINDER:
            if (window->currentSource().isEmpty()) window->showContents();
            break;
        default:
            window->showContents();
            break;
    }
    window->present();
    return ok;
}

HelpWindow* helpWindow() {
    return theWindow();
}

}  // namespace help
