#include "app/job/RenderJob.h"
#include "app/job/RenderPresets.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

RenderJob oneSecondJob() {
    RenderJob job;
    job.durationSeconds = 1.0;
    return job;
}

TEST(RenderJobTest, ValidateGivesOneReasonForEachFault) {
    EXPECT_EQ(oneSecondJob().validate(), QString());
    int index = 0;
    for (const auto& spoil : std::initializer_list<void (*)(RenderJob&)>{
             [](RenderJob& job) { job.framesPerSecond = 0; },
             [](RenderJob& job) { job.framesPerSecond = 601; },
             [](RenderJob& job) { job.durationSeconds = std::numeric_limits<double>::quiet_NaN(); },
             [](RenderJob& job) { job.durationSeconds = -1.0; },
             [](RenderJob& job) { job.durationSeconds = 86400.5; },
             [](RenderJob& job) { job.deliveryFormat = QStringLiteral("gif"); },
             [](RenderJob& job) { job.firstFrame = 5, job.lastFrame = 2; },
             [](RenderJob& job) { job.encoderThreads = 257; },
             // As long as the sound, without a sound.
             [](RenderJob& job) {
                 job.durationFromSound = true;
             }}) {
        RenderJob job = oneSecondJob();
        spoil(job);
        EXPECT_FALSE(job.validate().isEmpty()) << index++;
    }
    // The limits themselves are jobs.
    RenderJob limits = oneSecondJob();
    limits.framesPerSecond = 600;
    limits.durationSeconds = 86400.0;
    EXPECT_EQ(limits.validate(), QString());
}

TEST(RenderPresetsTest, TableAndFallback) {
    // (The sizes added after the original twelve are checked against the window's titles.)
    // The window's custom entry has no preset size of its own.
    EXPECT_EQ(movieDimensionsForPreset(kMovieDimensionCustom), QSizeF(640, 480));
    EXPECT_EQ(movieDimensionsForPreset(-1), QSizeF(640, 480));
    EXPECT_EQ(movieDimensionsForPreset(1), QSizeF(640, 480));
}

} // namespace
