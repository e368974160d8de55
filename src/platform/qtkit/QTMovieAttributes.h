#pragma once

#include <QString>

// Keys of movie, track, image and writing attributes.
inline const QString QTMovieEditableAttribute = QStringLiteral("QTMovieEditableAttribute");
inline const QString QTMovieCopyrightAttribute = QStringLiteral("QTMovieCopyrightAttribute");
// The "comment" metadata text of a movie being written; set before its first image.
inline const QString QTMovieCommentAttribute = QStringLiteral("QTMovieCommentAttribute");
inline const QString QTMovieFileNameAttribute = QStringLiteral("QTMovieFileNameAttribute");
inline const QString QTTrackRangeAttribute = QStringLiteral("QTTrackRangeAttribute");
inline const QString QTTrackMediaTypeAttribute = QStringLiteral("QTTrackMediaTypeAttribute");
inline const QString QTAddImageCodecType = QStringLiteral("QTAddImageCodecType");
inline const QString QTAddImageCodecQuality = QStringLiteral("QTAddImageCodecQuality");
inline const QString QTMovieFlatten = QStringLiteral("QTMovieFlatten");
// Writing: the delivery format's name (see DeliveryFormats.h) of the video tracks; absent or
// "animation" copies them as they are.
inline const QString QTMovieExportVideoFormat = QStringLiteral("QTMovieExportVideoFormat");
// Writing: a text for the file's "comment" metadata entry.
inline const QString QTMovieExportComment = QStringLiteral("QTMovieExportComment");
// Threads that encode the images of a writable movie (a number; 0: one per processor core; 1,
// the default: the thread that adds them). Set before the first image.
inline const QString QTMovieEncoderThreadsAttribute =
    QStringLiteral("QTMovieEncoderThreadsAttribute");

// Media types of tracks.
inline const QString QTMediaTypeVideo = QStringLiteral("vide");
inline const QString QTMediaTypeSound = QStringLiteral("soun");
inline const QString QTMediaTypeText = QStringLiteral("text");

// The Animation codec, the one codec images are added with.
inline const QString QTCodecTypeAnimation = QStringLiteral("rle ");
// Time scale of movies made by this library.
constexpr int QTMovieDefaultTimeScale = 600;

// Errors of the movie library.
inline const QString QTKitErrorDomain = QStringLiteral("QTKitErrorDomain");
enum QTKitErrorCode : int {
    QTErrorCannotCreateMovieFile = 1,
    QTErrorCannotOpenMovieFile = 2,
    QTErrorCannotWriteMovieFile = 3,
    QTErrorWrongThread = 4,
};
