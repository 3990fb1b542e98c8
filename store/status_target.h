#pragma once

#include <QString>

namespace store {

// An object with a writable status text, told about long operations and errors: the browser
// document, the copy dialog.
class StatusTarget {
public:
    virtual ~StatusTarget() = default;
    virtual void setStatusBar(const QString& text) = 0;
    // The settings suffix of the instance ("\(VB Add-In)", ...), named in error reports. Targets
    // that are not documents have none.
    virtual QString InstanceName() const { return QString(); }
};

}  // namespace store
