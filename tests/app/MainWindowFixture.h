#pragma once

// The main window from its interface file, loaded once per test program as the application
// loads it, with scripted open panels, recorded alerts and counted beeps; it brings what the
// window tests look at (the job, the preview, the controls, the movie read back).

#include "app/job/CompositionInputValues.h"
#include "app/preview/PreviewEngine.h"
#include "app/window/AppLanguageMenu.h"
#include "app/window/GKAppDelegate.h"
#include "app/window/GKPreviewController.h"
#include "common/RecordingPresenter.h"
#include "common/TestSupport.h"
#include "interface/USecuritySandboxControllers/USandboxFolderController.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSBeep.h"
#include "platform/appkit/NSButton.h"
#include "platform/appkit/NSImageView.h"
#include "platform/appkit/NSNib.h"
#include "platform/appkit/NSOpenPanel.h"
#include "platform/appkit/NSPopUpButton.h"
#include "platform/appkit/NSProgressIndicator.h"
#include "platform/appkit/NSTextField.h"
#include "platform/appkitcore/NSAlert.h"
#include "platform/foundation/NSURL.h"
#include "platform/qtkit/MovieInspector.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

namespace lumenreel::test {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// Values or files of a job as NAME=TEXT.
inline QStringList named(const QList<QPair<QString, QString>>& pairs) {
    QStringList texts;
    for (const auto& [name, text] : pairs)
        texts << name + QLatin1Char('=') + text;
    return texts;
}

// Runs the application's event loop as `lumenreel` does until it quits; should it still run after
// `deadline`, it is ended with the status 99. The loop's exit status.
inline int runApplicationMain(std::chrono::milliseconds deadline) {
    QObject watchdog;
    QTimer::singleShot(deadline, &watchdog, [] { QCoreApplication::exit(99); });
    char name[] = "lumenreel";
    char* argv[] = {name, nullptr};
    return NSApplicationMain(1, argv);
}

class WindowFixture : public ::testing::Test {
protected:
    static void loadTheWindowOnce() {
        if (sDelegate)
            return;
        sHome = new QTemporaryDir;
        qputenv("XDG_CONFIG_HOME", sHome->filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", sHome->filePath(QStringLiteral("data")).toUtf8());
        NSNib::setInterfaceFolders({resource(QStringLiteral("interface"))});
        ASSERT_TRUE(NSNibLoadMainInterface(QStringLiteral("MainMenu")));
        sDelegate = qobject_cast<GKAppDelegate*>(NSApp->delegate());
        ASSERT_NE(sDelegate, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(sDelegate->window()->widget(), 10000));
    }

    void SetUp() override {
        loadTheWindowOnce();
        ASSERT_NE(sDelegate, nullptr);
        NSAlert::setPresenter(mAlerts);
        mPreviousBeep = NSSetBeepSink([this] { ++mBeeps; });
        mPreviousRunner = NSOpenPanel::setModalRunner([this](NSOpenPanel* panel) {
            if (mChoices.isEmpty())
                return NSFileHandlingPanelCancelButton;
            panel->setURLs({NSURL::fileURLWithPath(mChoices.takeFirst())});
            return NSFileHandlingPanelOKButton;
        });
    }
    void TearDown() override {
        NSAlert::setPresenter(nullptr);
        NSSetBeepSink(mPreviousBeep);
        NSOpenPanel::setModalRunner(mPreviousRunner);
    }

    // The window's views of class T that `matches` (all of them without it), in file order.
    template <class T>
    static QList<T*> views(const std::function<bool(T*)>& matches = {}) {
        QList<T*> found;
        for (NSView* view : sDelegate->window()->contentView()->subviews()) {
            auto* typed = qobject_cast<T*>(view);
            if (typed && (!matches || matches(typed)))
                found.append(typed);
        }
        return found;
    }

    // The `index`th number field whose range ends at `maximum`.
    static NSTextField* numberField(double maximum, int index = 0) {
        return views<NSTextField>([=](NSTextField* field) {
                   return field->hasNumberFormat() && field->maximum() == maximum;
               })
            .value(index);
    }

    // The visible button that sends `selector` to `target` (any target when null).
    static NSButton* button(const QString& selector, NSObject* target = nullptr) {
        return views<NSButton>([&](NSButton* candidate) {
                   return candidate->action() == selector && !candidate->isHidden() &&
                          (!target || candidate->target() == target);
               })
            .value(0);
    }

    // A click on a control once the window is laid out, as the person sees it.
    static void click(QWidget* widget) {
        ASSERT_NE(widget, nullptr);
        QCoreApplication::processEvents();
        QTest::mouseClick(widget, Qt::LeftButton);
    }
    // Types `text` over what the field holds, then Return.
    static void type(QLineEdit* field, const QString& text) {
        ASSERT_NE(field, nullptr);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    // Keeps a picture of the window next to the test program, to look at.
    static void keepPicture(const QString& state) {
        sDelegate->window()->widget()->grab().save(
            QDir(QCoreApplication::applicationDirPath())
                .filePath(QStringLiteral("lumenreel-%1-%2.png")
                              .arg(state, QGuiApplication::platformName())));
    }

    // Writes `contents` to `name` in the test home; the path.
    static QString writeFile(const QString& name, const QByteArray& contents) {
        return writeTestFile(sHome->filePath(name), contents);
    }
    // A composition in the test home whose shader does not compile (it names `undeclared`).
    static QString brokenComposition(const QString& name = QStringLiteral("Broken.fs")) {
        return writeFile(name, "/*{ \"ISFVSN\": \"2\" }*/\n"
                               "void main() { gl_FragColor = vec4(undeclared); }\n");
    }

    // Shows the window in the language of the Language menu's item `tag`.
    static void setLanguage(int tag) {
        NSRef<AppLanguageMenu> languages = NSAdopt(NSAllocInit<AppLanguageMenu>());
        languages->outletLanguageController = UILocalLanguageController::language();
        ASSERT_TRUE(languages->chooseLanguage(tag));
    }

    // Picks each file through its open panel, as a person does.
    void choose(USandboxInputFileController* row, const QString& path) {
        mChoices = {path};
        row->actionBrowseInputPath(nullptr);
    }
    void chooseComposition(const QString& path) {
        choose(sDelegate->outletQuartzCompositionInputController, path);
    }
    void chooseSound(const QString& path = resource(QStringLiteral("sounds/demo-arpeggio.m4a"))) {
        choose(sDelegate->outletAudioTrackInputController, path);
    }
    void chooseFolder(const QString& folder) {
        QDir().mkpath(folder);
        mChoices = {folder};
        NSRef<USandboxFolderController> folders = NSAdopt(NSAllocInit<USandboxFolderController>());
        folders->setOutletRequiredPrefsFolder(sDelegate->outletOutputUserFolder);
        folders->browseForFolder(nullptr);
    }
    // The composition, the sample sound and the output folder.
    void chooseFiles(const QString& composition, const QString& folder) {
        chooseComposition(composition);
        chooseSound();
        chooseFolder(folder);
    }

    // Clicks Render; true once the job has started.
    bool startRender() {
        NSButton* render = button(QStringLiteral("actionRenderCompositionToMovieFile:"));
        if (!render || !render->isEnabled())
            return false;
        QTest::mouseClick(render->widget(), Qt::LeftButton);
        return !sDelegate->isIdle();
    }
    // Clicks Render and waits for the job's end; false when it did not start or end.
    bool renderToTheEnd() { return startRender() && waitUntilIdle(); }
    // The status line, for the matchers: EXPECT_THAT(status(), StartsWith("Written: ")).
    static std::string status() { return sDelegate->statusText().toStdString(); }
    static bool waitUntilIdle(std::chrono::milliseconds deadline = std::chrono::minutes(5)) {
        return spinUntil([] { return sDelegate->isIdle(); }, deadline);
    }

    static QTemporaryDir* sHome;
    static GKAppDelegate* sDelegate;
    NSAutoreleasePool mPool;
    std::shared_ptr<RecordingPresenter> mAlerts = std::make_shared<RecordingPresenter>();
    NSBeepSink mPreviousBeep;
    NSOpenPanel::ModalRunner mPreviousRunner;
    QStringList mChoices;
    int mBeeps = 0;
};

inline QTemporaryDir* WindowFixture::sHome = nullptr;
inline GKAppDelegate* WindowFixture::sDelegate = nullptr;

} // namespace lumenreel::test
