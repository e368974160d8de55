#include "app/RenderJob.h"
#include "app/RenderJobChecks.h"
#include "app/RenderPresets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
    QStringList reasons;
    for (const auto& spoil : std::initializer_list<void (*)(RenderJob&)>{
             [](RenderJob& job) { job.framesPerSecond = 0; },
             [](RenderJob& job) { job.framesPerSecond = 601; },
             [](RenderJob& job) { job.durationSeconds = std::numeric_limits<double>::quiet_NaN(); },
             [](RenderJob& job) { job.durationSeconds = -1.0; },
             [](RenderJob& job) { job.durationSeconds = 86400.5; },
             [](RenderJob& job) { job.deliveryFormat = QStringLiteral("gif"); },
             [](RenderJob& job) { job.firstFrame = 5, job.lastFrame = 2; },
             [](RenderJob& job) {
                 job.encoderThreads = 257;
             }}) {
        RenderJob job = oneSecondJob();
        spoil(job);
        const QString reason = job.validate();
        EXPECT_FALSE(reason.isEmpty()) << reasons.size();
        EXPECT_FALSE(reason.contains(QLatin1Char('\n')));
        reasons.append(reason);
    }
    EXPECT_TRUE(reasons[0].contains(QStringLiteral("the frame rate is 0")));
    EXPECT_TRUE(reasons[1].contains(QStringLiteral("more than the video time scale of 600")));
    // The limits themselves are jobs.
    RenderJob limits = oneSecondJob();
    limits.framesPerSecond = 600;
    limits.durationSeconds = 86400.0;
    EXPECT_EQ(limits.validate(), QString());
}

TEST(RenderPresetsTest, TableAndFallback) {
    EXPECT_EQ(movieDimensionsForPreset(12), QSizeF(4096, 2160));
    EXPECT_EQ(movieDimensionsForPreset(8), QSizeF(1280, 720));
    EXPECT_EQ(movieDimensionsForPreset(13), QSizeF(640, 480));
    EXPECT_EQ(movieDimensionsForPreset(-1), QSizeF(640, 480));
    EXPECT_EQ(movieDimensionsForPreset(1), QSizeF(640, 480));
}

class RenderJobChecksTest : public ::testing::Test {
protected:
    RenderJobOptions optionsFor(const QByteArray& composition) {
        RenderJobOptions options;
        options.compositionPath = mFolder.filePath(QStringLiteral("Scene.fs"));
        QFile file(options.compositionPath);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(composition) > 0);
        options.outputFolder = mFolder.filePath(QStringLiteral("movies"));
        return options;
    }

    QTemporaryDir mFolder;
};

TEST_F(RenderJobChecksTest, TheDefaultFolderIsMadeAGivenOneMustExist) {
    RenderJobOptions options =
        optionsFor("/*{ \"ISFVSN\": \"2\" }*/\nvoid main() { gl_FragColor = vec4(1.0); }\n");
    RenderInputsCheck check;
    EXPECT_EQ(checkInputs(options, &check).value_or(QString()).toStdString(), "");
    EXPECT_TRUE(QDir(options.outputFolder).exists());

    options.outputFolder = mFolder.filePath(QStringLiteral("missing"));
    options.outputFolderGiven = true;
    const std::optional<QString> problem = checkInputs(options, &check);
    ASSERT_TRUE(problem);
    EXPECT_TRUE(problem->endsWith(QStringLiteral("missing: no such output folder")))
        << problem->toStdString();
    EXPECT_EQ(check.status, 1);
}

TEST_F(RenderJobChecksTest, SettingsThatDoNotFitAreStatusTwoAndAMissingPictureAWarning) {
    RenderJobOptions options = optionsFor(
        "/*{ \"ISFVSN\": \"2\", \"INPUTS\": [ { \"NAME\": \"inputImage\", \"TYPE\": "
        "\"image\" } ] }*/\nvoid main() { gl_FragColor = IMG_THIS_PIXEL(inputImage); }\n");
    RenderInputsCheck check;
    EXPECT_EQ(checkInputs(options, &check).value_or(QString()).toStdString(), "");
    ASSERT_EQ(check.warnings.size(), 1);
    EXPECT_TRUE(check.warnings.first().contains(QStringLiteral("inputImage")));

    options.inputs.values.append({QStringLiteral("nothing"), QStringLiteral("1")});
    EXPECT_TRUE(checkInputs(options, &check));
    EXPECT_EQ(check.status, 2);
}

} // namespace
