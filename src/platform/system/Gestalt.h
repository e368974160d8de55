#pragma once

#include "platform/system/MacTypes.h"

// The system's answers to selector queries. Only the system version is known.
constexpr OSType gestaltSystemVersion = FOUR_CHAR_CODE("sysv");

// The version this system reports: 10.7.5 in packed decimal. It is fixed so that every run and
// every test machine sees the same system.
constexpr SInt32 kLumenreelSystemVersion = 0x1075;

// noErr and the answer, or gestaltUndefSelectorErr for an unknown selector, paramErr for a
// null response.
OSErr Gestalt(OSType selector, SInt32* response);

// Makes the 'sysv' query answer `status` and, when that is noErr, `version`. For tests.
void GestaltSetSystemVersionOverride(OSErr status, SInt32 version);
// Back to the fixed answer.
void GestaltClearSystemVersionOverride();
