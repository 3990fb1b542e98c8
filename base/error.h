#pragma once

#include <QString>

#include <exception>
#include <string>

// The program's one error type, below every layer: the engine, the platform layers and the forms
// all raise it, so a caller can report any failure the same way.

namespace mrv {

// The numbers callers test for keep the values the old engine gave them.
enum ErrorNumber : int {
    errFileNotFound = 3024,
    errTableMissing = 3078,
    errNotADatabase = 3343,
    errDamaged = 3049,
    errLocked = 3045,
    errNoCurrentRecord = 3021,
    errDuplicateKey = 3022,
    errSyntax = 3075,
    errItemNotFound = 3265,      // a field or property name that does not exist
    errReadOnly = 3027,          // update through a read-only database or recordset
    errNotUpdatable = 3251,      // update through a query that cannot be updated
    errNoEditInProgress = 3020,  // Update or CancelUpdate without AddNew or Edit
    errConversion = 3421,        // a value that cannot be stored in the field's type
    errFieldTooSmall = 3163,     // text longer than its field, or a stored file too large
    errPropertyExists = 3367,
    errDatabaseExists = 3204,  // compact onto an existing file
    errObjectClosed = 3420,
    errDiskIO = 3026,
    errCantOpen = 3051,       // exists but cannot be opened (permissions, a folder)
    errExecuteSelect = 3065,  // Execute given a query that returns rows
    errPropertyNotFound = 3270,
    errEngine = 3000,  // anything else the store reports
};

// The one exception type below the forms: a number and a plain description.
class Error : public std::exception {
public:
    Error(int number, QString description)
        : m_number(number), m_description(std::move(description)), m_what(m_description.toStdString()) {}
    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

}  // namespace mrv
