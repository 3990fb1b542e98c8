// The operations on the items of the library: new, edit, copy, delete, open a stored file and take
// its changes back, its properties, and the preferences.

#include "browser/MRVDocument.h"

#include "browser/document_p.h"
#include "platform/controls.h"

namespace browser {

using namespace detail;

void MRVDocument::ProcNew() {
    notBuiltYet(QStringLiteral("BTN_New"));
}

void MRVDocument::ProcEdit() {
    notBuiltYet(QStringLiteral("BTN_Edit"));
}

void MRVDocument::ProcCopy() {
    notBuiltYet(QStringLiteral("BTN_COPYPROC"));
}

void MRVDocument::ProcDelete() {
    notBuiltYet(QStringLiteral("BTN_DELETE"));
}

void MRVDocument::ProcFileOpen(controls::ListItem*, const QString&) {
    notBuiltYet(QStringLiteral("BTN_OPENFILE"));
}

void MRVDocument::ProcFileProperties(controls::ListItem*) {
    notBuiltYet(QStringLiteral("BTN_FILEPROPERTIES"));
}

void MRVDocument::ShowProperties() {
    notBuiltYet(QStringLiteral("BTN_PROPERTIES"));
}

}  // namespace browser
