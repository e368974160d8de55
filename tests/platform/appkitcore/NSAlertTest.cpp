#include "platform/appkitcore/NSAlert.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSImage.h"
#include "platform/foundation/NSError.h"

#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Holds the alert until the test lets it go, recording where it was shown.
class HoldingPresenter : public NSAlertPresenter {
public:
    NSModalResponse presentAlert(const NSAlert& alert) override {
        shownOnMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        message = alert.messageText();
        shown = true;
        return NSAlertFirstButtonReturn;
    }
    std::atomic<bool> shown = false;
    bool shownOnMainThread = false;
    QString message;
};

} // namespace

TEST(NSAlertTest, AnAlertFromAnotherThreadIsShownOnTheMainThreadWhileThatThreadWaits) {
    auto presenter = std::make_shared<HoldingPresenter>();
    NSAlert::setPresenter(presenter);
    std::atomic<NSModalResponse> response = 0;
    std::thread worker([&] {
        NSAutoreleasePool pool;
        NSError* error = NSError::errorWithDomain(
            "QTKitErrorDomain", 1, {{NSLocalizedDescriptionKey, QStringLiteral("disk full")}});
        response = NSAlert::alertWithError(error)->runModal();
    });
    // Until the main thread runs its event loop, the worker stays inside runModal.
    QThread::msleep(50);
    EXPECT_EQ(response.load(), 0);
    EXPECT_TRUE(lumenreel::test::spinUntil([&] { return response.load() != 0; }));
    worker.join();
    EXPECT_EQ(response.load(), NSAlertFirstButtonReturn);
    EXPECT_TRUE(presenter->shownOnMainThread);
    EXPECT_EQ(presenter->message, "disk full");
    NSAlert::setPresenter(nullptr);
}

TEST(NSImageTest, KeepsItsBitmapsAndSize) {
    NSRef<NSImage> image = NSAdopt(new NSImage(QSizeF(4, 3)));
    EXPECT_EQ(image->bitmapRepresentation(), nullptr);
    image->addRepresentation(nullptr);
    NSRef<NSBitmapImageRep> bitmap =
        NSAdopt(new NSBitmapImageRep(QImage(4, 3, QImage::Format_ARGB32)));
    image->addRepresentation(bitmap.get());
    EXPECT_EQ(bitmap->retainCount(), 2u);
    EXPECT_EQ(image->bitmapRepresentation(), bitmap.get());
    EXPECT_EQ(image->size(), QSizeF(4, 3));
    image.reset();
    EXPECT_EQ(bitmap->retainCount(), 1u);
}
