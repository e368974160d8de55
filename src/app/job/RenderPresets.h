#pragma once

#include <QSizeF>

// The movie dimension presets, by index. Indices without a preset of their own give 640 x 480.
// 0 to 12 are the original twelve sizes; 13 to 16 were added after them (square, portrait, QHD
// and UHD), so that stored indices keep their sizes.
QSizeF movieDimensionsForPreset(int index);

// Number of preset indices (0 to kMovieDimensionPresetCount - 1).
inline constexpr int kMovieDimensionPresetCount = 17;
// The index that stands for a size of the user's own: the window's Custom... entry.
inline constexpr int kMovieDimensionCustom = 17;
// The sides a custom size may have, in pixels.
inline constexpr int kMovieDimensionCustomMinSide = 16;
inline constexpr int kMovieDimensionCustomMaxSide = 16384;

// The duration a new job starts with: 33.3 s as a 32-bit float, widened.
inline constexpr double kDefaultMovieDurationSeconds = static_cast<double>(33.3f);
