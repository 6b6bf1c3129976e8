/* The product's name and version, read by the code and by the resource script. */
#pragma once

#define SMS_PRODUCT_NAME "SMS Server"
#define SMS_FILE_DESCRIPTION "SMS Server launcher"
#define SMS_EXE_NAME "SmsServer.exe"
#define SMS_VERSION_MAJOR 1
#define SMS_VERSION_MINOR 0
#define SMS_VERSION_PATCH 0
#define SMS_VERSION_STRING "1.0.0"
