/* Resource identifiers shared by the resource script and the code. */
#pragma once

#define IDI_APP 1
#define IDR_SPLASH 101
