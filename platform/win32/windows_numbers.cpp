// Every Windows number that a portable header copies, checked here against windows.h: the
// logic never includes it, and a number typed wrong there would pass every test over the fakes.
#include "check/trust_rule.h"
#include "platform/file_system.h"
#include "platform/held_files.h"
#include "platform/message_boxes.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/win32/win32_platform.h"

static_assert(platform::kMessageBoxOk == (MB_OK | MB_SETFOREGROUND | MB_TOPMOST));
static_assert(platform::kShowHidden == SW_HIDE);

static_assert(platform::kKeyRead == KEY_READ);
static_assert(platform::kRegNone == REG_NONE && platform::kRegSz == REG_SZ &&
              platform::kRegExpandSz == REG_EXPAND_SZ && platform::kRegBinary == REG_BINARY &&
              platform::kRegDword == REG_DWORD &&
              platform::kRegDwordBigEndian == REG_DWORD_BIG_ENDIAN &&
              platform::kRegLink == REG_LINK && platform::kRegMultiSz == REG_MULTI_SZ &&
              platform::kRegQword == REG_QWORD);

static_assert(platform::kErrorSuccess == ERROR_SUCCESS &&
              platform::kErrorFileNotFound == ERROR_FILE_NOT_FOUND &&
              platform::kErrorPathNotFound == ERROR_PATH_NOT_FOUND &&
              platform::kErrorAccessDenied == ERROR_ACCESS_DENIED &&
              platform::kErrorSharingViolation == ERROR_SHARING_VIOLATION &&
              platform::kErrorLockViolation == ERROR_LOCK_VIOLATION &&
              platform::kErrorFileExists == ERROR_FILE_EXISTS &&
              platform::kErrorAlreadyExists == ERROR_ALREADY_EXISTS &&
              platform::kErrorMoreData == ERROR_MORE_DATA &&
              platform::kErrorNoMoreItems == ERROR_NO_MORE_ITEMS);

static_assert(SMS_CHANGE_RIGHTS == (FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                    FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC |
                                    WRITE_OWNER | GENERIC_ALL | GENERIC_WRITE));
static_assert(SMS_REPLACE_RIGHTS ==
              (DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL | GENERIC_WRITE));
static_assert(SMS_DELETE_CHILD_RIGHTS == (FILE_DELETE_CHILD | GENERIC_ALL));
