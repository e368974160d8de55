#pragma once

#include <QSizeF>

// The movie dimension presets, by index. Indices without a preset of their own give 640 x 480.
QSizeF movieDimensionsForPreset(int index);

// Number of preset indices (0 to kMovieDimensionPresetCount - 1).
inline constexpr int kMovieDimensionPresetCount = 13;

// The duration a new job starts with: 33.3 s as a 32-bit float, widened.
inline constexpr double kDefaultMovieDurationSeconds = static_cast<double>(33.3f);
