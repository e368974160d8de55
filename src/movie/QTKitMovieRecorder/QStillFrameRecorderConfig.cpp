#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"

namespace {

constexpr std::uint32_t kInitialFramesPerSecond = 30;

} // namespace

// Both are constant-initialised: they hold their values before any static object is made, so
// no static initialiser can see the time scale unset, whatever order the linker chooses.
constinit std::uint32_t QStillFrameRecorder_Config_RenderFPS = kInitialFramesPerSecond;
constinit std::int32_t kQTTime_VideoTimeScale = std::int32_t(20 * kInitialFramesPerSecond);
constinit int QStillFrameRecorder_Config_EncoderThreads = 1;
