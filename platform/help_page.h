#pragma once

#include <functional>
#include <string>

namespace zolvantek::platform {

// Whether Help still starts the Windows help viewer on `helpFile`: only on Windows, and
// only where that file exists (an existing install). Current Windows has no WinHelp
// viewer, so everywhere else the HTML page is opened instead.
bool UsesWinHelp(const std::string& helpFile);

// Opens the HTML help page `page` (a file) in the desktop's default browser, at the anchor
// `section` when one is given. True when a browser was started; a page that is not there
// starts nothing. A browser that gives up after it was started runs `failedLater`, where
// the system can tell.
bool OpenHelpPage(const std::string& page, const std::string& section,
                  const std::function<void()>& failedLater = {});

}  // namespace zolvantek::platform
