// The check's report as the text a console, a file or the installer's log shows.
#pragma once

#include <string>

#include "check/check.h"

namespace check {

// The report as text in lines of at most 79 characters, each ending in CR LF.
std::wstring ReportText(const Report& report);

}  // namespace check
