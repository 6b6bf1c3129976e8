/* The product's names and version, read by the code and by the resource scripts; both come
 * from the CMake project. */
#pragma once

#include "sms_facts.h"
#include "sms_version.h"
