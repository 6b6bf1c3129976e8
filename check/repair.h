// The repair: the copies a start would make, made now by an administrator, the installer's
// step or the package's task, through folders held from the drive's root.
#pragma once

#include <string>

#include "check/check.h"

namespace check {

// The exit status of a repair that could not put every support file in place.
inline constexpr int kCouldNotRepair = 5;

// Copies the support files that a start would copy into the runtime a start chooses, through
// folders held from the drive's root (check/hold.h), then checks again. Creates no folder and
// writes to no other runtime. The report begins with a section of what the repair did. Its status:
// 0 when a start would now find every support file and reach the application; the status a start
// would end with when that is not 0; kCouldNotRepair when a support file is still missing.
Report RepairStart(const CheckPlatform& platform, const std::wstring& programFolder);

}  // namespace check
