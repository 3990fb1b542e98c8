// The quick search: the box over the status bar whose every change lists the items whose category,
// name or description holds the typed text, the status bar's clicks, and the find dialog, which hands
// its statements over to the document the same way.

#include "browser/MRVDocument.h"

#include "browser/document_p.h"
#include "browser/item_rows.h"
#include "browser/search_runner.h"
#include "editor/frmProcFind.h"
#include "platform/controls.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/search_sql.h"
#include "store/startup.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace browser {

using namespace detail;

QString MRVDocument::quickSearchSQL(const QString& text) {
    // The command line's search runs the same statement.
    return store::quickSearchSQL(text);
}

bool MRVDocument::quickSearchPending() const {
    return m_quickSearch->pending();
}

void MRVDocument::stopQuickSearch() {
    m_quickSearch->cancel();
}

void MRVDocument::StatusBar1_PanelClick() {
    StatusBar(QStringLiteral("Ready..."));
    txtSearch->show();
    txtSearch->raise();
    txtSearch->setFocus(Qt::MouseFocusReason);
    // What is typed replaces the old text; an arrow key keeps it for refining.
    txtSearch->selectAll();
}

void MRVDocument::StatusBar1_PanelDblClick() {
    txtSearch->hide();
    StatusBar(DBFileName());
    if (m_db) store::ShowFileProperties(DBFileName(), this);
}

void MRVDocument::txtSearch_Change() {
    // Whatever an earlier keystroke started is of no use any more, even if it ends while the window
    // is being prepared.
    stopQuickSearch();
    SetForSearch();
    if (!m_db || m_replacingLibrary) {
        lstvProcs->clear();
        return;
    }
    // The text as it is now: the window let events run, and the box may have changed meanwhile.
    m_quickSearch->start(DBFileName(), quickSearchSQL(txtSearch->text()));
}

bool MRVDocument::txtSearchEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) return false;
            txtSearch->hide();
            return true;
        case QEvent::MouseButtonDblClick:
            StatusBar1_PanelDblClick();
            return true;
        case QEvent::FocusOut: {
            // Its own context menu and another window taking the keyboard leave the box where it is.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) txtSearch->hide();
            return false;
        }
        default:
            return false;
    }
}

void MRVDocument::showSearchResult(std::shared_ptr<const SearchResult> result) {
    lstvProcs->clear();
    m_searchSQL = result->sql;
    if (result->error) {
        store::ReportError(*result->error, QStringLiteral("MRVDocument.ProcRefresh"), this);
        emit quickSearchShown();
        return;
    }
    // The list holds the keys only and reads the rows it shows, so even a long result goes in at once.
    m_rowSource->setCustomIcons(customIcons());
    lstvProcs->addRows(result->keys);
    emit quickSearchShown();
}

void MRVDocument::ProcFind() {
    // One find window per document: asking again brings it forward with what it holds.
    if (m_findDialog) {
        m_findDialog->raise();
        m_findDialog->activateWindow();
        return;
    }
    // Owned by the document's window, so that it stays above it and closes with it: a find window
    // left on its own would keep the program running after its document has gone.
    auto* form = new frmProcFind(window());
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setMainWindow(this);
    form->Form_Load();
    store::PlayEventSound(store::sndRestoreUp);
    form->show();
    m_findDialog = form;
}

}  // namespace browser
