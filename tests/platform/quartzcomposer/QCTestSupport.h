#pragma once

#include "platform/foundation/NSObject.h"
#include "platform/quartzcomposer/QCRenderer.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace qctest {

using RGBA = std::array<int, 4>;

// A renderer of composition text at `size`, parsed as the file `location`; null when either
// fails.
NSRef<QCRenderer> rendererOf(const QString& text, QSize size, const QString& location = QString());

// Renders at each time in turn and returns the snapshot of the last frame (null on failure).
QImage render(QCRenderer* renderer, const std::vector<double>& times);

// Parses, makes a renderer and renders in one go.
QImage renderText(const QString& text, QSize size, const std::vector<double>& times = {0.0},
                  const QString& location = QString());

// The pixel at (x, y), counted from the top-left corner.
RGBA pixel(const QImage& image, int x, int y);

// Parses composition data as the file `location`; true when a composition came out. What was
// logged meanwhile goes to `log`.
bool parses(const QByteArray& data, const QString& location = QString(), QString* log = nullptr);

// Runs `body` while standard error is captured, and returns what was written.
template <class F>
QString capturedLog(F&& body) {
    testing::internal::CaptureStderr();
    body();
    return QString::fromStdString(testing::internal::GetCapturedStderr());
}

// Renders the fixture file `name` at each time in turn, from a folder that also holds the grid
// picture as grid.png, and returns the snapshot of the last frame (null on failure).
QImage renderFixture(const QString& name, QSize size, const std::vector<double>& times);

// An ISF version 2 composition of `body`, with `header` entries in its JSON.
QString isf(const QString& body);
QString isf(const QString& header, const QString& body);

// An ISF composition drawing the middle of the picture it imports from `path`, and a Shadertoy
// one drawing the middle of its channel 0 read from `channel`.
QString isfImporting(const QString& path);
QString shadertoyReading(const QString& channel);

// `side` x `side`, in quadrants: red top-left, green top-right, blue bottom-left, white
// bottom-right.
QImage quadrants(int side);

// 4 x 4: pixel (x, y) from the top-left has the colour (60 x, 60 y, 200, 255).
QImage gridPicture();

// Success when `log` is one line that holds `text`.
testing::AssertionResult oneLineSaying(const QString& log, const QString& text);

} // namespace qctest
