// lumenreel-gallery: shows every colour view and button kind in one window, or with a file name
// writes the window's picture there and quits.
//
//   lumenreel-gallery [--screenshot FILE]

#include "Gallery.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("screenshot"),
                      QStringLiteral("Write the window's picture to <file> and quit."),
                      QStringLiteral("file")});
    parser.process(app);
    Gallery gallery = makeGallery();
    gallery.window->makeKeyAndOrderFront(nullptr);
    if (!parser.isSet(QStringLiteral("screenshot")))
        return app.exec();
    int status = 1;
    QTimer::singleShot(200, &app, [&] {
        const QImage shot = gallery.window->contentView()->widget()->grab().toImage();
        const QString file = parser.value(QStringLiteral("screenshot"));
        status = shot.save(file) ? 0 : 1;
        if (status != 0)
            std::fprintf(stderr, "lumenreel-gallery: cannot write %s\n", qPrintable(file));
        app.quit();
    });
    app.exec();
    return status;
}
