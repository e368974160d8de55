// An application with one persistent setting, run by the application loop:
//   persistence_loop_child <defaults.ini> wait <text>    sets the text after launching, prints
//                                                         "launched" and runs until it is ended
//   persistence_loop_child <defaults.ini> close <text>   sets the text, then shows and closes
//                                                         its only window
//   persistence_loop_child <defaults.ini> report         prints "text=<restored text>" and quits
// The setting is the key path "outletInner.text" of the delegate, as the application delegate
// persists its input controllers' bookmarks.
#include "interface/CocoaFoundation/UPersistentObjectsController.h"
#include "platform/appkit/NSApplication.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdio>

class ChildInner : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(ChildInner)
    Q_PROPERTY(QString text MEMBER mText)
public:
    QString mText;
};
NS_IMPLEMENT_CLASS(ChildInner, NSObject)

class ChildDelegate : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(ChildDelegate)
    Q_PROPERTY(ChildInner* outletInner READ outletInner)
public:
    ChildInner* outletInner() const { return mInner.get(); }

    Q_INVOKABLE void applicationDidFinishLaunching(NSNotification* /*notification*/) {
        const QString mode = mArguments.value(2);
        if (mode == QLatin1String("report")) {
            std::printf("text=%s\n", qPrintable(valueForKeyPath("outletInner.text").toString()));
            NSApp->terminate(this);
            return;
        }
        setValue_forKeyPath(mArguments.value(3), QStringLiteral("outletInner.text"));
        if (mode == QLatin1String("close")) {
            auto* window = new QWidget();
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->show();
            QTimer::singleShot(0, window, &QWidget::close);
            return;
        }
        std::printf("launched\n");
        std::fflush(stdout);
    }

    QStringList mArguments;

private:
    NSRef<ChildInner> mInner = NSAdopt(new ChildInner());
};
NS_IMPLEMENT_CLASS(ChildDelegate, NSObject, [](NSClass& cls) {
    cls.addClassMethod("persistentObjectKeyPaths", [](Class) {
        return QVariant::fromValue(QSet<QString>{QStringLiteral("outletInner.text")});
    });
})

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    // What the main interface file would make; lives for the whole run.
    static NSRef<ChildDelegate> sDelegate;
    NSApplication::setMainInterfaceLoader([argc, argv](const QString&) {
        NSUserDefaults::setStandardUserDefaultsFile(QString::fromLocal8Bit(argv[1]));
        sDelegate = NSAdopt(new ChildDelegate());
        for (int i = 0; i < argc; ++i)
            sDelegate->mArguments << QString::fromLocal8Bit(argv[i]);
        NSApplication::sharedApplication()->setDelegate(sDelegate.get());
        UPersistentObjectsController::sharedPersistentObjectsController()->registerPersistentObject(
            sDelegate.get());
        return true;
    });
    return NSApplicationMain(argc, argv);
}

#include "PersistenceLoopChild.moc"
