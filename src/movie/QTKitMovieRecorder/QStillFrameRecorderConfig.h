#pragma once

#include <cstdint>

// Frames per second of rendered movies: 30 at program start, changed by the frame-rate setting.
extern std::uint32_t QStillFrameRecorder_Config_RenderFPS;

// Units per second of every recorded frame duration: 20 times the frame rate at program start
// (600), fixed before main and never recomputed.
extern std::int32_t kQTTime_VideoTimeScale;

// Units per second of audio host times.
constexpr std::int32_t kQTTime_AudioTimeScale = 44100;
