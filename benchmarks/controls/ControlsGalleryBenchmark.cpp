// Time to draw the controls gallery (every colour view and button kind, shown at scale 1) once,
// against a reference window in the same run: plain QWidgets of the same frames that fill a
// rectangle each with QPainter. Prints the median of each, their ratio and the ratio to the goal
// of 20 ms for one redraw of the gallery.
//
//   controls_gallery_benchmark [--runs N]

#include "BenchmarkMedian.h"
#include "Gallery.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr double kGoalMs = 20.0;

// A widget that fills itself with one colour: the least a custom-drawn view can do.
class FilledWidget : public QWidget {
public:
    explicit FilledWidget(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rect(), QColor(128, 128, 128));
    }
};

// Draws `widget` and its children into an image of its size, as a window redraw does.
double drawOnce(QWidget* widget, QImage& target) {
    QElapsedTimer timer;
    timer.start();
    target.fill(Qt::transparent);
    widget->render(&target);
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int runs = 200;
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--runs")
            runs = std::max(1, QByteArray(argv[i + 1]).toInt());

    Gallery gallery = makeGallery();
    gallery.window->makeKeyAndOrderFront(nullptr);
    QWidget* content = gallery.window->contentView()->widget();
    if (!QTest::qWaitForWindowExposed(gallery.window->widget(), 5000)) {
        std::fprintf(stderr, "controls_gallery_benchmark: the window did not appear\n");
        return 1;
    }

    QWidget reference;
    reference.resize(content->size());
    for (int i = 1; i < gallery.views.size(); ++i) {
        QWidget* twin = new FilledWidget(&reference);
        const NSRect frame = gallery.views[i]->convertRectToBase(gallery.views[i]->bounds());
        twin->setGeometry(NSFlipRect(frame, content->height()).toRect());
    }

    QImage target(content->size(), QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(1.0);
    std::vector<double> galleryMs, referenceMs;
    // Alternate the two so that load from other work weighs on both alike.
    for (int run = 0; run < runs + 5; ++run) {
        const double g = drawOnce(content, target);
        const double r = drawOnce(&reference, target);
        if (run >= 5) {
            galleryMs.push_back(g);
            referenceMs.push_back(r);
        }
    }
    const double galleryMedian = median(galleryMs), referenceMedian = median(referenceMs);
    std::printf("views: %lld, runs: %d, scale 1\n", static_cast<long long>(gallery.views.size()),
                runs);
    std::printf("gallery redraw:   median %.3f ms\n", galleryMedian);
    std::printf("reference redraw: median %.3f ms (plain QPainter fills of the same frames)\n",
                referenceMedian);
    std::printf("ratio gallery/reference: %.2f\n", galleryMedian / referenceMedian);
    std::printf("ratio gallery/goal (%.0f ms): %.3f %s\n", kGoalMs, galleryMedian / kGoalMs,
                galleryMedian < kGoalMs ? "(within the goal)" : "(OVER the goal)");
    return galleryMedian < kGoalMs ? 0 : 2;
}
