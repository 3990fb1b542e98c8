#pragma once

// What the dialogs call back on the browser document: the one abstract class between the forms and
// MRVDocument, which implements it. Dialogs are given it (and the open database) before they show.

#include "store/engine/engine.h"
#include "store/status_target.h"

#include <QPixmap>
#include <QString>

namespace store {

class MainWindow : public StatusTarget {
public:
    // Closes the document's library, opens path with DBOpen and hands the new handle out.
    virtual bool ReOpenDB(QString& path, engine::Database*& database) = 0;
    // Reloads images, tree and list from the open library.
    virtual void SystemInit() = 0;
    // Reloads the item list: the selected category, or the rows of query when one is given.
    virtual void ProcRefresh(const QString& query = QString()) = 0;
    // Shows a message in the status bar's running log.
    virtual void StatusBar(const QString& message) = 0;
    void setStatusBar(const QString& text) override { StatusBar(text); }
    virtual void ShowHelp(int context) = 0;
    // Prepares the window to show search results (tree selection cleared and hidden, details view).
    virtual void SetForSearch() = 0;
    virtual QString SearchSQL() const = 0;
    virtual void setSearchSQL(const QString& sql) = 0;
    // The 32-pixel picture of an image key; a null pixmap when the key is not there.
    virtual QPixmap LargeImage(const QString& key) const = 0;
    // The number of the selected category (0 for the root).
    virtual int CurrentCategoryKey() const = 0;
    virtual int InstanceType() const = 0;
    virtual void DocInitialize() = 0;
    // Full path of the open library; empty when none is open.
    virtual QString DBFileName() const = 0;
};

}  // namespace store
