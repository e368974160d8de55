#include "platform/appkit/NSApplication.h"

#include "platform/appkit/NSAlertDialogPresenter.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSNotification.h"
#include "platform/foundation/NSNotificationCenter.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QSocketNotifier>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include <atomic>
#include <csignal>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

NSApplication* NSApp = nullptr;

namespace {

NSApplication::MainInterfaceLoader& mainInterfaceLoader() {
    static NSApplication::MainInterfaceLoader sLoader;
    return sLoader;
}

QString& mainInterfaceNameStore() {
    static QString sName = QStringLiteral("MainMenu");
    return sName;
}

// SIGTERM, SIGINT and SIGHUP reach the loop through a pipe. A second signal that arrives before
// the loop has taken the first ends the process at once, so that a stuck loop can still be
// stopped.
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
int sSignalPipe[2] = {-1, -1};
std::atomic<bool> sSignalPending{false};

void onStopSignal(int signal) {
    if (sSignalPending.exchange(true)) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    const auto number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(sSignalPipe[1], &number, 1);
}

// A quit from the platform (QEvent::Quit, as sent by QCoreApplication::quit and by the session's
// end) becomes a termination request.
class QuitFilter : public QObject {
public:
    explicit QuitFilter(NSApplication* application) : mApplication(application) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
            mApplication->terminate(nullptr);
            return true;
        }
        return false;
    }

private:
    NSApplication* mApplication;
};

} // namespace

// What NSApplicationMain sets up for one run of the loop and takes down afterwards.
class NSApplicationRunScope {
public:
    explicit NSApplicationRunScope(NSApplication* application) : mFilter(application) {
        QCoreApplication* core = QCoreApplication::instance();
        core->installEventFilter(&mFilter);
        if (auto* gui = qobject_cast<QGuiApplication*>(core)) {
            mQuitOnLastWindowClosed = QGuiApplication::quitOnLastWindowClosed();
            QGuiApplication::setQuitOnLastWindowClosed(false);
            mConnections.push_back(
                QObject::connect(gui, &QGuiApplication::lastWindowClosed, application,
                                 [application] { application->terminate(nullptr); }));
#if QT_CONFIG(sessionmanager)
            mConnections.push_back(QObject::connect(
                gui, &QGuiApplication::commitDataRequest, application,
                [application](QSessionManager& manager) {
                    if (!application->terminateForSessionEnd() && manager.allowsInteraction())
                        manager.cancel();
                },
                Qt::DirectConnection));
#endif
        }
        installSignals(application);
    }

    ~NSApplicationRunScope() {
        for (const auto& [signal, previous] : mPreviousActions)
            ::sigaction(signal, &previous, nullptr);
        mNotifier.reset();
        for (int& fd : sSignalPipe) {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
        sSignalPending = false;
        for (const auto& connection : mConnections)
            QObject::disconnect(connection);
        if (mQuitOnLastWindowClosed)
            QGuiApplication::setQuitOnLastWindowClosed(*mQuitOnLastWindowClosed);
        QCoreApplication::instance()->removeEventFilter(&mFilter);
    }

    NSApplicationRunScope(const NSApplicationRunScope&) = delete;
    NSApplicationRunScope& operator=(const NSApplicationRunScope&) = delete;

private:
    void installSignals(NSApplication* application) {
        if (::pipe2(sSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            NSLog("NSApplication: no pipe for stop signals: %s\n", strerror(errno));
            return;
        }
        sSignalPending = false;
        mNotifier = std::make_unique<QSocketNotifier>(sSignalPipe[0], QSocketNotifier::Read);
        QObject::connect(mNotifier.get(), &QSocketNotifier::activated, application, [application] {
            unsigned char number = 0;
            bool received = false;
            while (::read(sSignalPipe[0], &number, 1) == 1)
                received = true;
            sSignalPending = false;
            if (received)
                application->terminate(nullptr);
        });
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : kStopSignals) {
            struct sigaction previous {};
            if (::sigaction(signal, &action, &previous) == 0)
                mPreviousActions.emplace_back(signal, previous);
            else
                NSLog("NSApplication: cannot handle signal %d: %s\n", signal, strerror(errno));
        }
    }

    QuitFilter mFilter;
    std::optional<bool> mQuitOnLastWindowClosed;
    std::vector<QMetaObject::Connection> mConnections;
    std::unique_ptr<QSocketNotifier> mNotifier;
    std::vector<std::pair<int, struct sigaction>> mPreviousActions;
};

struct NSApplication::Impl {
    QPointer<NSObject> delegate;
    bool running = false;
    // Asking the delegate whether to terminate (a second request meanwhile is ignored).
    bool asking = false;
    // Termination accepted; further requests do nothing until the next run.
    bool terminated = false;
};

NS_IMPLEMENT_CLASS(NSApplication, NSObject)

NSApplication::NSApplication() : mImpl(std::make_unique<Impl>()) {
    // Alerts of a widget application are dialogs unless someone chose another presenter.
    NSAlert::setDialogPresenterFactory([]() -> std::shared_ptr<NSAlertPresenter> {
        return std::make_shared<NSAlertDialogPresenter>();
    });
}

NSApplication::~NSApplication() = default;

NSApplication* NSApplication::sharedApplication() {
    static NSApplication* const sShared = [] {
        auto* application = new NSApplication();
        NSApp = application;
        return application;
    }();
    return sShared;
}

void NSApplication::setMainInterfaceLoader(MainInterfaceLoader loader) {
    mainInterfaceLoader() = std::move(loader);
}

void NSApplication::setMainInterfaceName(const QString& nibName) {
    mainInterfaceNameStore() = nibName;
}

QString NSApplication::mainInterfaceName() {
    return mainInterfaceNameStore();
}

NSObject* NSApplication::delegate() const {
    return mImpl->delegate.data();
}

void NSApplication::setDelegate(NSObject* delegate) {
    mImpl->delegate = delegate;
}

bool NSApplication::isRunning() const {
    return mImpl->running;
}

void NSApplication::terminate(NSObject* /*sender*/) {
    requestTermination();
}

bool NSApplication::terminateForWindowClose(NSObject* /*window*/) {
    return requestTermination();
}

bool NSApplication::terminateForSessionEnd() {
    return requestTermination();
}

bool NSApplication::requestTermination() {
    // Outside NSApplicationMain there is nothing to end: windows simply close.
    if (!mImpl->running || mImpl->terminated)
        return true;
    if (mImpl->asking)
        return false;
    mImpl->asking = true;
    const QVariant reply = tellDelegate("applicationShouldTerminate:", this);
    mImpl->asking = false;
    if (reply.isValid() && reply.toUInt() == NSTerminateCancel)
        return false;
    mImpl->terminated = true;
    postNotification(NSApplicationWillTerminateNotification);
    if (mImpl->running)
        QCoreApplication::exit(0);
    return true;
}

QVariant NSApplication::tellDelegate(const char* selector, NSObject* argument) {
    const QString name = QString::fromLatin1(selector);
    NSObject* delegate = mImpl->delegate.data();
    if (!delegate || !delegate->respondsToSelector(name))
        return {};
    NSRef<NSObject> keep(delegate);
    try {
        return delegate->performSelector(name, argument);
    } catch (const NSException& exception) {
        NSLog("NSApplication::%s exception:%@\n", selector, exception.description());
        return {};
    }
}

// Posts the notification, then hands it to the delegate's operation of the same name.
void NSApplication::postNotification(const char* name) {
    NSRef<NSNotification> notification =
        NSAdopt(new NSNotification(QString::fromLatin1(name), this));
    NSNotificationCenter::defaultCenter()->postNotification(notification.get());
    // "NSApplicationWillTerminateNotification" -> "applicationWillTerminate:"
    QByteArray selector = QByteArray(name).mid(2).chopped(int(qstrlen("Notification")));
    selector[0] = char(QChar::toLower(uint(selector[0])));
    tellDelegate((selector + ':').constData(), notification.get());
}

int NSApplication::runMainLoop() {
    if (mImpl->running) {
        NSLog("NSApplicationMain: the application is already running\n");
        return 1;
    }
    const QString nibName = mainInterfaceName();
    const MainInterfaceLoader loader = mainInterfaceLoader();
    if (!loader) {
        NSLog("NSApplicationMain: no loader for the main interface file %@\n", nibName);
        return 1;
    }
    mImpl->terminated = false;
    mImpl->running = true;
    NSApplicationRunScope scope(this);
    // One log line for a load that fails, whichever way it fails.
    bool loaded = false;
    try {
        loaded = loader(nibName);
        if (!loaded)
            NSLog("NSApplicationMain: could not load the main interface file %@\n", nibName);
    } catch (const NSException& exception) {
        NSLog("NSApplicationMain: loading the main interface file %@ raised %@\n", nibName,
              exception.description());
    } catch (const std::exception& exception) {
        NSLog("NSApplicationMain: loading the main interface file %@ threw %s\n", nibName,
              exception.what());
    }
    int status = 1;
    if (loaded) {
        if (!mImpl->terminated) {
            postNotification(NSApplicationWillFinishLaunchingNotification);
            postNotification(NSApplicationDidFinishLaunchingNotification);
        }
        // A termination accepted while launching leaves no loop to run.
        status = mImpl->terminated ? 0 : QCoreApplication::exec();
    }
    mImpl->running = false;
    return status;
}

int NSApplicationMain(int argc, char* argv[]) {
    // QApplication keeps a reference to the count for its whole life.
    static int sArgc = 0;
    std::unique_ptr<QApplication> made;
    if (!QCoreApplication::instance()) {
        sArgc = argc;
        made = std::make_unique<QApplication>(sArgc, argv);
    }
    return NSApplication::sharedApplication()->runMainLoop();
}

int import_NSApplication() {
    return NSApplication::classObject() != nullptr;
}
