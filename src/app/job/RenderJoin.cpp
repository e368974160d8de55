#include "app/job/RenderJoin.h"

#include "app/job/RenderJobChecks.h"
#include "app/job/RenderSegments.h"
#include "movie/QTKitMovieRecorder/QMovieFlattenerQueueOp.h"
#include "movie/QTKitMovieRecorder/QMovieFlattenerQueueOpDelegate.h"
#include "platform/foundation/NSOperationQueue.h"
#include "platform/qtkit/DeliveryFormats.h"
#include "platform/qtkit/VideoSegmentJoin.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <optional>

namespace {

// How often a flattening asks whether to stop.
constexpr int kStopPollMs = 20;

// Ends an event loop when the flattening is over.
class JoinFlattenerDelegate : public NSObject, public QMovieFlattenerQueueOpDelegate {
public:
    void movieFlattenerCompleted(QMovieFlattenerQueueOp* operation) override {
        succeeded = operation && operation->succeeded();
        reason = operation ? operation->failureReason() : QString();
        done = true;
        loop.quit();
    }
    QEventLoop loop;
    bool done = false;
    bool succeeded = false;
    QString reason;
};

} // namespace

QString joinRenderSegments(const QStringList& segments, const QString& audioPath,
                           const QString& format, const QString& outputFolder, QString* out_error,
                           const std::function<bool()>& stopRequested, bool* out_stopped,
                           bool cutSound) {
    const auto refuse = [out_error](const QString& why) {
        *out_error = why;
        return QString();
    };
    if (out_stopped)
        *out_stopped = false;
    QStringList ordered;
    RenderSegmentInfo job;
    if (const QString problem = orderRenderSegments(segments, &ordered, &job); !problem.isEmpty())
        return refuse(problem);
    // Pictures that heard a sound go with that sound only.
    if (!job.soundChecksum.isEmpty() && audioPath.isEmpty())
        return refuse(QStringLiteral("the segments were rendered hearing a sound: give it with "
                                     "--audio"));
    if (!job.soundChecksum.isEmpty() && renderFileChecksum(audioPath) != job.soundChecksum)
        return refuse(QStringLiteral("%1 is not the sound the segments were rendered hearing")
                          .arg(audioPath));
    // The job's name: the first segment's without ".frames-FIRST-LAST.mov",
    static const QRegularExpression suffix(QStringLiteral("\\.frames-\\d+-\\d+\\.mov$"));
    // or of an interrupted job's recording without its extension.
    QString name = QFileInfo(ordered.first()).fileName();
    if (name.contains(suffix))
        name.remove(suffix);
    else
        name = QFileInfo(ordered.first()).completeBaseName();
    const DeliveryFormat* delivery = deliveryFormatNamed(format);
    const QString movie = QDir(outputFolder)
                              .filePath(name + QLatin1Char('.') +
                                        (delivery ? delivery->extension : QStringLiteral("mov")));
    QStringList inputs = ordered;
    if (!audioPath.isEmpty())
        inputs.append(audioPath);
    if (const QString conflict = finalMovieConflict(movie, inputs); !conflict.isEmpty())
        return refuse(conflict);

    QTemporaryDir work;
    if (!work.isValid())
        return refuse(QStringLiteral("no temporary folder for the joined video"));
    const QString video = work.filePath(name + QStringLiteral(".qt"));
    QList<QTVideoPiece> pieces;
    for (const QString& segment : ordered) {
        const std::optional<RenderSegmentInfo> info =
            parseRenderSegmentComment(QTMovieMetadataText(segment, QStringLiteral("comment")));
        pieces.append({segment, info ? qint64(info->first) : 0});
    }
    QTVideoJoinRequirements requirements;
    requirements.width = job.size.width();
    requirements.height = job.size.height();
    requirements.stopRequested = stopRequested;
    QString error;
    if (!QTJoinVideoSegments(pieces, requirements, video, &error, out_stopped))
        return refuse(error);

    NSAutoreleasePool pool;
    NSRef<JoinFlattenerDelegate> delegate = NSAdopt(new JoinFlattenerDelegate);
    QMovieFlattenerQueueOp* flattener =
        QMovieFlattenerQueueOp::movieFlattenerWithMovieFileName(movie, audioPath, video);
    if (!flattener)
        return refuse(QStringLiteral("no flattener for %1").arg(movie));
    flattener->setDelegate(delegate.get());
    flattener->setMadeWithMetaData(QString(""));
    flattener->setVideoFormat(format);
    flattener->setSoundEndsWithVideo(cutSound);
    flattener->setTempFileName(work.filePath(name + QStringLiteral(".MooV")));
    NSRef<NSOperationQueue> queue = NSAdopt(new NSOperationQueue);
    queue->setMaxConcurrentOperationCount(1);
    // The flattening stops between two packets and removes what it wrote.
    QTimer stopWatch;
    bool stopped = false;
    if (stopRequested) {
        QObject::connect(&stopWatch, &QTimer::timeout, [&] {
            if (!stopped && stopRequested()) {
                stopped = true;
                flattener->stopFlattening();
            }
        });
        stopWatch.start(kStopPollMs);
    }
    queue->addOperation(flattener);
    if (!delegate->done)
        delegate->loop.exec();
    queue->waitUntilAllOperationsAreFinished();
    stopWatch.stop();
    if (!delegate->succeeded && (stopped || (stopRequested && stopRequested()))) {
        if (out_stopped)
            *out_stopped = true;
        return refuse(QStringLiteral("stopped while the movie was written"));
    }
    if (!delegate->succeeded)
        return refuse(QStringLiteral("the movie could not be written: %1").arg(delegate->reason));
    return movie;
}
