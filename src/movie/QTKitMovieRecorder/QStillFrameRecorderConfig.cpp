#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"

#include "support/CoreStaticOrder.h"

// Constant-initialised, so it holds 30 before any static object is made.
std::uint32_t QStillFrameRecorder_Config_RenderFPS = 30;

std::int32_t kQTTime_VideoTimeScale = 0;

namespace {

struct VideoTimeScaleInitialiser {
    VideoTimeScaleInitialiser() {
        kQTTime_VideoTimeScale = std::int32_t(20 * QStillFrameRecorder_Config_RenderFPS);
    }
};

const VideoTimeScaleInitialiser
    sVideoTimeScale CORE_STATIC_ORDER(kCoreStaticOrder_RecorderTimeScale);

} // namespace
