#pragma once

#include <QImage>

#include <optional>

class QString;

// Reads a picture in any format that Qt's image plugins read (PNG, JPEG, BMP, GIF's first
// frame, TIFF, WebP, TGA, ...). Pictures larger than `in_maxSide` pixels a side are refused
// before they are decoded. On failure, out_error says why in one line, with what the decoder
// itself complained of; the decoder's messages never reach the log on their own.
std::optional<QImage> QCReadImageFile(const QString& in_path, int in_maxSide, QString* out_error);
