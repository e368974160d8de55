#pragma once

#include <QImage>

#include <optional>

class QString;

// The largest picture a composition reads, in pixels a side (imported images, channel images,
// the files given to its image inputs).
inline constexpr int kQCMaxPictureSide = 16384;
// What one decoded picture may take, in megabytes: a picture of kQCMaxPictureSide a side at
// 16 bits a channel (8 bytes a pixel). Qt's image plugins refuse larger allocations.
inline constexpr int kQCMaxPictureMegabytes = 2048;

// Reads a picture in any format that Qt's image plugins read (PNG, JPEG, BMP, GIF's first
// frame, TIFF, WebP, TGA, ...). Only regular files are read (a FIFO or a device is refused
// without being opened). Pictures larger than `in_maxSide` pixels a side, or that would take
// more than kQCMaxPictureMegabytes decoded, are refused before they are decoded, naming the
// limit. On failure, out_error says why in one line, with what the decoder itself complained
// of; the decoder's messages never reach the log on their own.
std::optional<QImage> QCReadImageFile(const QString& in_path, int in_maxSide, QString* out_error);

// The one-line reason why the picture at `in_path` is too large to be read (as QCReadImageFile
// would refuse it), from its header only; empty when it fits or its size cannot be told.
QString QCImageFileSizeProblem(const QString& in_path, int in_maxSide);
