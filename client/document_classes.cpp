#include "client/document_classes.h"

#include "platform/dochost.h"

#ifdef MRV_HAVE_BROWSER
#include "browser/MRVDocument.h"
#endif

namespace client {

void registerDocumentClasses() {
#ifdef MRV_HAVE_BROWSER
    dochost::registerDocumentClass(kDocumentClass,
                                   [](QWidget* parent) { return browser::createDocument(parent); });
#endif
}

}  // namespace client
