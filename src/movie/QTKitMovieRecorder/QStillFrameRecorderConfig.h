#pragma once

#include <cstdint>

// Frames per second of rendered movies: 30 at program start, changed by the frame-rate setting.
extern std::uint32_t QStillFrameRecorder_Config_RenderFPS;

// Threads that encode the recorded frames: 1 (at program start) encodes each frame on the thread
// that adds it, 0 one thread per processor core, N that many. Read when a recording begins.
extern int QStillFrameRecorder_Config_EncoderThreads;

// Units per second of every recorded frame duration: 20 times the frame rate at program start
// (600), fixed before main and never recomputed.
extern std::int32_t kQTTime_VideoTimeScale;

// Units per second of audio host times.
constexpr std::int32_t kQTTime_AudioTimeScale = 44100;
