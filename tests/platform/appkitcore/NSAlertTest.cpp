#include "platform/appkitcore/NSAlert.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSImage.h"
#include "platform/foundation/NSError.h"

#include "common/RecordingPresenter.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(NSAlertTest, AnAlertFromAnotherThreadIsShownOnTheMainThreadWhileThatThreadWaits) {
    auto presenter = std::make_shared<lumenreel::test::RecordingPresenter>();
    NSAlert::setPresenter(presenter);
    std::atomic<NSModalResponse> response = 0;
    std::atomic<int> shownWhenAnswered = 0;
    std::thread worker([&] {
        NSAutoreleasePool pool;
        NSError* error = NSError::errorWithDomain(
            "QTKitErrorDomain", 1, {{NSLocalizedDescriptionKey, QStringLiteral("disk full")}});
        const NSModalResponse answer = NSAlert::alertWithError(error)->runModal();
        shownWhenAnswered = presenter->shown.load();
        response = answer;
    });
    EXPECT_TRUE(lumenreel::test::spinUntil([&] { return response.load() != 0; }));
    worker.join();
    // The worker's runModal came back only after the main thread had shown the alert.
    EXPECT_EQ(shownWhenAnswered.load(), 1);
    EXPECT_EQ(response.load(), NSAlertFirstButtonReturn);
    EXPECT_TRUE(presenter->onMainThread);
    EXPECT_EQ(presenter->messages, QStringList{"disk full"});
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
    image.reset();
    EXPECT_EQ(bitmap->retainCount(), 1u);
}
