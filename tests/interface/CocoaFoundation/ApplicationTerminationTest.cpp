// A real application process keeps its settings when its last window closes. The application is
// this test program relaunched; its one persistent setting is the key path "outletInner.text" of
// its delegate, as the application delegate persists its input controllers' bookmarks.
#include "interface/CocoaFoundation/UPersistentObjectsController.h"
#include "platform/appkit/NSApplication.h"
#include "platform/foundation/NSUserDefaults.h"

#include "common/RunChild.h"

#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>

class ChildInner : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(ChildInner)
    Q_PROPERTY(QString text MEMBER mText)
public:
    QString mText;
};
NS_IMPLEMENT_CLASS(ChildInner, NSObject)

// In the phase "close" it sets the text, then shows and closes its only window; in "report" it
// prints "text=<restored text>" and quits.
class ChildDelegate : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(ChildDelegate)
    Q_PROPERTY(ChildInner* outletInner READ outletInner)
public:
    ChildInner* outletInner() const { return mInner.get(); }

    Q_INVOKABLE void applicationDidFinishLaunching(NSNotification* /*notification*/) {
        const QByteArray phase = lumenreel::test::relaunchPhase();
        if (phase == "report") {
            std::printf("text=%s\n", qPrintable(valueForKeyPath("outletInner.text").toString()));
            NSApp->terminate(this);
            return;
        }
        setValue_forKeyPath(qEnvironmentVariable("LUMENREEL_TEST_TEXT"),
                            QStringLiteral("outletInner.text"));
        auto* window = new QWidget();
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        QTimer::singleShot(0, window, &QWidget::close);
    }

private:
    NSRef<ChildInner> mInner = NSAdopt(new ChildInner());
};
NS_IMPLEMENT_CLASS(ChildDelegate, NSObject, [](NSClass& cls) {
    cls.addClassMethod("persistentObjectKeyPaths", [](Class) {
        return QVariant::fromValue(QSet<QString>{QStringLiteral("outletInner.text")});
    });
})

namespace {

class ApplicationTerminationTest : public ::testing::Test {
protected:
    lumenreel::test::ChildRun launch(const char* phase, const QString& text = {}) {
        return lumenreel::test::relaunchInPhase(
            "ApplicationTerminationTest.Phase", phase,
            {.environment = {{"LUMENREEL_TEST_DEFAULTS", mFolder.filePath("defaults.ini")},
                             {"LUMENREEL_TEST_TEXT", text}},
             .deadline = std::chrono::seconds(30)});
    }

    // What a new launch of the child restores.
    QString restoredText() {
        for (const QString& line : launch("report").out.split('\n'))
            if (line.startsWith(QStringLiteral("text=")))
                return line;
        return {};
    }

    QTemporaryDir mFolder;
};

TEST_F(ApplicationTerminationTest, ClosingTheLastWindowSavesTheSettings) {
    launch("close", "closed window");
    EXPECT_EQ(restoredText(), "text=closed window");
}

TEST_F(ApplicationTerminationTest, Phase) {
    if (lumenreel::test::relaunchPhase().isEmpty())
        GTEST_SKIP() << "run by the termination tests";
    // What the main interface file would make; lives for the whole run.
    static NSRef<ChildDelegate> sDelegate;
    NSApplication::setMainInterfaceLoader([](const QString&) {
        NSUserDefaults::setStandardUserDefaultsFile(
            qEnvironmentVariable("LUMENREEL_TEST_DEFAULTS"));
        sDelegate = NSAdopt(new ChildDelegate());
        NSApplication::sharedApplication()->setDelegate(sDelegate.get());
        UPersistentObjectsController::sharedPersistentObjectsController()->registerPersistentObject(
            sDelegate.get());
        return true;
    });
    char name[] = "lumenreel";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(NSApplicationMain(1, argv), 0);
}

} // namespace

#include "ApplicationTerminationTest.moc"
