#pragma once

// Colour spaces. A colour space is an opaque reference-counted value: made by
// CGColorSpaceCreateWithName (count 1), shared with CGColorSpaceRetain, freed by the last
// CGColorSpaceRelease.

using CGColorSpaceRef = struct CGColorSpace*;

// Colour-space names.
extern const char* const kCGColorSpaceGenericRGB;
extern const char* const kCGColorSpaceSRGB;

// The colour space of that name, or nullptr for a name this platform does not know.
CGColorSpaceRef CGColorSpaceCreateWithName(const char* in_name);
CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef in_space);
// Accepts nullptr.
void CGColorSpaceRelease(CGColorSpaceRef in_space);

// The name the space was made with (for example kCGColorSpaceGenericRGB); nullptr for nullptr.
const char* CGColorSpaceGetName(CGColorSpaceRef in_space);
// Colour components without alpha: 3 for RGB spaces; 0 for nullptr.
int CGColorSpaceGetNumberOfComponents(CGColorSpaceRef in_space);
