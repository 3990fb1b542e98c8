#pragma once

// The common report of unexpected errors: tells the user what failed and where, and offers to
// put a bug report on the clipboard and open a mail to the maker's support address.

#include "store/engine/error.h"
#include "store/status_target.h"

#include <QString>

#include <functional>

namespace store {

// The maker's support address, named in the question and in the mail link.
inline constexpr char kSupportAddress[] = "support@morvane.org";
// The maker's web site, opened from the about window and the web site command.
inline constexpr char kWebSiteAddress[] = "https://www.morvane.org/";

// location: "module.procedure" (may be empty). document: told the error on its status bar, and
// names the instance in the report. An error number 0 is no error: nothing happens.
void ReportError(const engine::Error& err, const QString& location = QString(),
                 StatusTarget* document = nullptr);

// What opens the mail link ("mailto: " + address). Tests replace it so that no mail program
// starts; an empty function restores the desktop's handler. Returns the one replaced.
using MailLinkOpener = std::function<void(const QString& link)>;
MailLinkOpener setMailLinkOpener(MailLinkOpener opener);

}  // namespace store
