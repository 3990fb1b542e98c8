#pragma once

#include <QString>

namespace client {

// The class the program's document file names.
inline const QString kDocumentClass = QStringLiteral("Morvane.MRVDocument");

// Makes the browser document creatable by the document hosts of this process.
void registerDocumentClasses();

}  // namespace client
