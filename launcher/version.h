/* The product's names, read by the code and by the resource scripts; the version numbers
 * come from the CMake project. */
#pragma once

#include "sms_version.h"

#define SMS_PRODUCT_NAME "SMS Server"
#define SMS_EXE_NAME "SmsServer.exe"
