#pragma once

#include <cstdint>

// Scalar types and status codes of the classic platform interfaces.
using UInt8 = std::uint8_t;
using SInt8 = std::int8_t;
using UInt16 = std::uint16_t;
using SInt16 = std::int16_t;
using UInt32 = std::uint32_t;
using SInt32 = std::int32_t;
using UInt64 = std::uint64_t;
using SInt64 = std::int64_t;
using Boolean = unsigned char;
using OSErr = SInt16;
using OSStatus = SInt32;
using FourCharCode = UInt32;
using OSType = FourCharCode;
using UniChar = UInt16;
using StringPtr = unsigned char*;
using ConstStringPtr = const unsigned char*;
using ConstStr255Param = const unsigned char*;
using Str255 = unsigned char[256];

constexpr Boolean TRUE_Boolean = 1;

// Status codes that the system stand-ins return. CoreServices.framework knows their texts.
enum : OSErr {
    noErr = 0,
    unimpErr = -4,
    nsvErr = -35,
    ioErr = -36,
    bdNamErr = -37,
    fnOpnErr = -38,
    eofErr = -39,
    tmfoErr = -42,
    fnfErr = -43,
    wPrErr = -44,
    fLckdErr = -45,
    dupFNErr = -48,
    paramErr = -50,
    permErr = -54,
    memFullErr = -108,
    dirNFErr = -120,
    userCanceledErr = -128,
    afpAccessDenied = -5000,
    gestaltUnknownErr = -5550,
    gestaltUndefSelectorErr = -5551,
};

// Builds a four-character code from its text, most significant byte first: FOUR_CHAR_CODE("logs").
constexpr OSType FOUR_CHAR_CODE(const char (&text)[5]) {
    return (OSType(UInt8(text[0])) << 24) | (OSType(UInt8(text[1])) << 16) |
           (OSType(UInt8(text[2])) << 8) | OSType(UInt8(text[3]));
}
