// Time from reading an interface file to its window on the screen (shown and painted once), for
// the window file of the main window's size and controls, against the same widgets made directly
// with Qt in the same run. Prints the median of each and their ratio; the window must appear in
// under 150 ms.
//
//   interface_load_benchmark [--runs N] [FOLDER NAME]

#include "BenchmarkMedian.h"
#include "platform/appkit/NSNib.h"
#include "platform/appkit/NSWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Shows `window`, waits for it to be exposed and paints it once; returns false on time-out.
bool showAndPaint(QWidget* window) {
    window->show();
    if (!QTest::qWaitForWindowExposed(window, 5000))
        return false;
    window->grab();
    return true;
}

double loadInterface(const QString& name) {
    QElapsedTimer timer;
    timer.start();
    NSAutoreleasePool pool;
    NSRef<NSNib> nib = NSAdopt(NSNib::initWithNibNamed(name));
    QList<NSObject*> objects;
    if (!nib || !nib->instantiateNibWithOwner(nullptr, &objects))
        return -1;
    NSWindow* window = nullptr;
    for (NSObject* object : objects) {
        if (auto* found = qobject_cast<NSWindow*>(object))
            window = found;
    }
    if (!window || !showAndPaint(window->widget()))
        return -1;
    const double ms = timer.nsecsElapsed() / 1e6;
    window->close();
    return ms;
}

// The same kinds and numbers of widgets, made and placed by hand.
double buildByHand() {
    QElapsedTimer timer;
    timer.start();
    auto* window = new QWidget;
    window->setGeometry(100, 100, 720, 520);
    auto* bar = new QMenuBar(window);
    for (const char* title : {"Lumenreel", "File", "Language"}) {
        QMenu* menu = bar->addMenu(QString::fromLatin1(title));
        for (int item = 0; item < 4; ++item)
            menu->addAction(QStringLiteral("Item %1").arg(item));
    }
    auto* content = new QWidget(window);
    content->setGeometry(0, bar->sizeHint().height(), 720, 520);
    new QLabel(content);
    for (int row = 0; row < 5; ++row) {
        new QLabel(QStringLiteral("Input"), content);
        new QLineEdit(content);
        new QPushButton(QStringLiteral("..."), content);
    }
    auto* sizes = new QComboBox(content);
    for (int item = 0; item < 12; ++item)
        sizes->addItem(QStringLiteral("%1 x 480").arg(640 + item));
    for (int field = 0; field < 4; ++field) {
        new QLabel(QStringLiteral("Setting"), content);
        new QLineEdit(content);
    }
    new QPushButton(QStringLiteral("..."), content);
    new QProgressBar(content);
    new QPushButton(QStringLiteral("Render"), content);
    int y = 0;
    for (QWidget* child : content->findChildren<QWidget*>()) {
        child->setGeometry(20, y, 200, 24);
        y += 12;
    }
    if (!showAndPaint(window))
        return -1;
    const double ms = timer.nsecsElapsed() / 1e6;
    delete window;
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int runs = 15;
    QStringList arguments = app.arguments().mid(1);
    if (arguments.size() >= 2 && arguments[0] == QLatin1StringView("--runs")) {
        runs = std::max(1, arguments[1].toInt());
        arguments = arguments.mid(2);
    }
    const QString folder = arguments.value(0, QStringLiteral(LUMENREEL_BENCHMARK_DIR));
    const QString name = arguments.value(1, QStringLiteral("BenchmarkWindow"));
    NSNib::setInterfaceFolders({folder});

    std::vector<double> loaded;
    std::vector<double> byHand;
    for (int run = 0; run < runs; ++run) {
        // Alternate, so that other work on the machine weighs on both alike.
        const double ours = loadInterface(name);
        const double theirs = buildByHand();
        if (ours < 0 || theirs < 0) {
            std::fprintf(stderr, "interface_load_benchmark: the window did not appear\n");
            return 1;
        }
        loaded.push_back(ours);
        byHand.push_back(theirs);
        QCoreApplication::processEvents();
    }
    const double ours = median(loaded);
    const double theirs = median(byHand);
    std::printf("%s on %s: interface file %.1f ms, same widgets by hand %.1f ms, ratio %.2f; "
                "budget 150 ms: %s\n",
                qUtf8Printable(name), qUtf8Printable(QGuiApplication::platformName()), ours, theirs,
                ours / theirs, ours < 150.0 ? "met" : "MISSED");
    return ours < 150.0 ? 0 : 1;
}
