#pragma once

// What the dialogs call back on the browser document: the one abstract class between the forms and
// MRVDocument, which implements it. Dialogs are given it (and the open database) before they show.

#include "store/engine/engine.h"
#include "store/status_target.h"

#include <QPixmap>
#include <QString>

#include <functional>

namespace store {

// An open editor or dialog that works on the document's library. It keeps no handle of its own: it
// borrows MainWindow::database() for each piece of work, so a library that is closed or replaced
// meanwhile is never written through a stale handle.
class LibraryUser {
public:
    // The library is about to be closed or replaced: save or give up pending work now (asking the
    // user). False stops the replacement; the library stays open as it was.
    virtual bool libraryClosing() = 0;
    // The library is open again. sameLibrary false (another file, none after a failure, or the
    // document going away): the user has been unregistered and closes without asking again.
    virtual void libraryReopened(bool sameLibrary) = 0;

protected:
    ~LibraryUser() = default;
};

enum class LibraryReplacement { Cancelled, Failed, Succeeded };

class MainWindow : public StatusTarget {
public:
    // The open library, nullptr while none is open (or while it is being replaced). Borrow it for one
    // piece of work; never keep it, never close it.
    virtual engine::Database* database() const = 0;
    virtual void addLibraryUser(LibraryUser* user) = 0;
    virtual void removeLibraryUser(LibraryUser* user) = 0;
    // The one way to replace the open library file (repair, new group, synchronise, copy):
    //  1. every library user is asked (libraryClosing); one refusal returns Cancelled, nothing done;
    //  2. the handle is closed;
    //  3. work(path) runs with the library's full path; it may set path to the file to open next;
    //     an engine::Error it throws is reported and counts as a failure;
    //  4. path is opened again with DBOpen whatever work returned (SystemInit on success, "Current
    //     Library" updated when path changed); a failure leaves the document without a library;
    //  5. the users are told (libraryReopened, sameLibrary when the same file is open again).
    // Returns Failed when work returned false or threw, else Succeeded; database() tells whether the
    // library is open again. Not re-entrant: a replacement asked for during another is Cancelled.
    virtual LibraryReplacement replaceLibrary(const std::function<bool(QString& path)>& work) = 0;
    // Replaces the library with the one at path (replaceLibrary with nothing to do but open path) and
    // hands out the new handle (nullptr on failure); true when it is open.
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
