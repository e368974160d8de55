#pragma once

#include "platform/corefoundation/CFBase.h"

// Texts held as UTF-16 units.

using CFStringEncoding = UInt32;

enum : CFStringEncoding {
    kCFStringEncodingMacRoman = 0,
    kCFStringEncodingWindowsLatin1 = 0x0500,
    kCFStringEncodingISOLatin1 = 0x0201,
    kCFStringEncodingNextStepLatin = 0x0B01,
    kCFStringEncodingASCII = 0x0600,
    kCFStringEncodingUnicode = 0x0100,
    kCFStringEncodingUTF16 = 0x0100,
    kCFStringEncodingUTF8 = 0x08000100,
    kCFStringEncodingNonLossyASCII = 0x0BFF,
    kCFStringEncodingInvalidId = 0xffffffffU,
};

using CFStringCompareFlags = CFOptionFlags;
enum : CFStringCompareFlags {
    kCFCompareCaseInsensitive = 1,
    kCFCompareBackwards = 4,
    kCFCompareAnchored = 8,
    kCFCompareNonliteral = 16,
    kCFCompareLocalized = 32,
    kCFCompareNumerically = 64,
};

CFTypeID CFStringGetTypeID();

// A constant text for the life of the process; equal texts give the same object.
CFStringRef __CFStringMakeConstantString(const char* cStr);
#define CFSTR(cStr) __CFStringMakeConstantString("" cStr "")

// Creation: null when the input is null or not valid in the encoding. A C string ends at its
// first zero byte in every encoding; read as UTF-16 its bytes are host-order units, and an odd
// count of them is not valid. UTF-8 keeps a leading U+FEFF as a character of the text.
CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                      CFStringEncoding encoding);
CFStringRef CFStringCreateWithPascalString(CFAllocatorRef alloc, ConstStr255Param pStr,
                                           CFStringEncoding encoding);
CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars,
                                         CFIndex numChars);
CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation);
CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef theString);
CFMutableStringRef CFStringCreateMutable(CFAllocatorRef alloc, CFIndex maxLength);
CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef alloc, CFIndex maxLength,
                                             CFStringRef theString);
void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString);
void CFStringAppendCString(CFMutableStringRef theString, const char* cStr,
                           CFStringEncoding encoding);

// Length in UTF-16 units.
CFIndex CFStringGetLength(CFStringRef theString);
UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx);
void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer);

// Converts the whole text and terminates it within bufferSize bytes. False, with nothing
// promised about the buffer but nothing written past it, when the text has a character the
// encoding cannot hold, the encoding is unavailable or the result does not fit.
Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding);
// Never has a direct pointer to offer here: always null.
const char* CFStringGetCStringPtr(CFStringRef theString, CFStringEncoding encoding);
// Length byte and at most 255 bytes; false when the text does not fit or cannot be converted.
Boolean CFStringGetPascalString(CFStringRef theString, StringPtr buffer, CFIndex bufferSize,
                                CFStringEncoding encoding);
// Converts the characters of range until the buffer is full; an unconvertible character becomes
// lossByte, or stops the conversion when lossByte is 0. A null buffer only measures. Returns the
// number of UTF-16 units converted.
CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding,
                         UInt8 lossByte, Boolean isExternalRepresentation, UInt8* buffer,
                         CFIndex maxBufLen, CFIndex* usedBufLen);

// Bytes needed at most for `length` UTF-16 units; kCFNotFound for an unavailable encoding.
CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);
// UTF-8, UTF-16, Mac Roman, Windows Latin 1, ISO Latin 1, ASCII, NextStep Latin and
// non-lossy ASCII; nothing else.
Boolean CFStringIsEncodingAvailable(CFStringEncoding encoding);
CFStringEncoding CFStringGetSystemEncoding();
CFStringEncoding CFStringGetFastestEncoding(CFStringRef theString);

// Compares UTF-16 units in order (ignoring case with kCFCompareCaseInsensitive). A null text
// sorts before every other.
CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions);
Boolean CFStringHasPrefix(CFStringRef theString, CFStringRef prefix);
Boolean CFStringHasSuffix(CFStringRef theString, CFStringRef suffix);
