#pragma once

class NSURL;
class QImage;

// What a live movie recorder offers: frames timed by the wall clock.
class QMovieFrameRecorderProtocol {
public:
    virtual ~QMovieFrameRecorderProtocol() = default;

    virtual bool isRecordingMovie() = 0;
    // Appends a platform image lasting `frameDurationInSeconds`.
    virtual bool addFrameImageRef(const QImage* image, double frameDurationInSeconds) = 0;
    // Seconds since the last call (or since the recording began).
    virtual double getFrameDurationNow() = 0;
    virtual bool endRecordingMovie() = 0;
    virtual bool beginRecordingMovieFileURL(NSURL* url) = 0;
};
