#include "interface/UICocoaViews/NSUIViewNibbler.h"

#include "platform/appkit/NSNib.h"
#include "platform/appkit/NSWindow.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"

NS_IMPLEMENT_CLASS(NSUIViewNibbler, NSView, [](NSClass& cls) {
    cls.addClassMethod(QStringLiteral("classNibName"),
                       [](Class self) { return QVariant(NSStringFromClass(self)); });
    cls.addClassMethod(QStringLiteral("shouldInstantiateOnThisVersionOfOSX"),
                       [](Class) { return QVariant(true); });
})

int import_NSUIViewNibbler() {
    return (NSUIViewNibbler::classObject() != nullptr) & import_NSNib();
}

NSUIViewNibbler::NSUIViewNibbler() = default;

NSUIViewNibbler::~NSUIViewNibbler() {
    setTopLevelObjects({});
    _nibblerSubView = nullptr;
    _nibblerController = nullptr;
    _defaultNibName.clear();
}

NSView* NSUIViewNibbler::initWithFrame(const NSRect& frame) {
    NSView::initWithFrame(frame);
    setDefaultNibName(classDefaultNibName());
    deferConstructionUntilXcodePropertiesSet();
    return this;
}

QString NSUIViewNibbler::classDefaultNibName() const {
    return objectClass()->perform(QStringLiteral("classNibName")).toString();
}

void NSUIViewNibbler::awakeFromNib() {
    if (_constructed == 0)
        constructWithDefaultNibName();
    else
        awakeFromNibbler();
}

void NSUIViewNibbler::constructWithDefaultNibName() {
    if (!defaultNibName().isEmpty() && instantiateObjectGraphWithNibName(defaultNibName()) &&
        nibblerSubView())
        installNibblerSubView();
}

bool NSUIViewNibbler::instantiateObjectGraphWithNibName(const QString& name) {
    bool result = false;
    if (!objectClass()->perform(QStringLiteral("shouldInstantiateOnThisVersionOfOSX")).toBool())
        return false;
    ++_constructed;
    try {
        NSRef<NSNib> nib = NSAdopt(NSNib::initWithNibNamed(name));
        if (!nib)
            return false;
        NSAutoreleasePool pool;
        QList<NSObject*> objects;
        if (!nib->instantiateNibWithOwner(this, &objects))
            return false;
        setTopLevelObjects(objects);
        result = nibblerSubView() != nullptr;
    } catch (const NSException& exception) {
        NSLog("NSUIViewNibbler::instantiateObjectGraphWithNibName:%@ exception:%@\n", name,
              exception.reason());
    }
    return result;
}

bool NSUIViewNibbler::installNibblerSubView() {
    NSView* view = nibblerSubView();
    if (!view)
        return false;
    addSubview(view);
    logView(view, QStringLiteral("self.nibblerView"));
    view->resizeWithOldSuperviewSize(view->frame().size());
    view->setNeedsDisplay(true);
    return true;
}

void NSUIViewNibbler::setFrameSize(const NSSize& size) {
    NSView::setFrameSize(size);
    // A message to a missing sub-view does nothing.
    if (NSView* view = nibblerSubView()) {
        view->resizeWithOldSuperviewSize(size);
        view->setNeedsDisplay(true);
    }
}

bool NSUIViewNibbler::acceptsFirstMouse(const QMouseEvent*) {
    return true;
}

QList<NSObject*> NSUIViewNibbler::topLevelObjects() const {
    return _topLevelObjects;
}

void NSUIViewNibbler::setTopLevelObjects(const QList<NSObject*>& objects) {
    for (NSObject* object : objects)
        object->retain();
    const QList<NSObject*> previous = std::exchange(_topLevelObjects, objects);
    for (NSObject* object : previous)
        object->release();
}

void NSUIViewNibbler::centerWindow(NSWindow* window, NSView* view) {
    if (!window || !view)
        return;
    const NSRect frame = window->frame();
    const NSRect base = view->convertRectToBase(view->bounds());
    NSWindow* viewWindow = view->window();
    const NSPoint screen =
        viewWindow ? viewWindow->convertBaseToScreen(base.topLeft()) : base.topLeft();
    const double x = screen.x() - (frame.width() - base.width()) / 2.0;
    window->setFrameOrigin(NSPoint(x, frame.y()));
}

void NSUIViewNibbler::centerWindowAboveNibblerSubView(NSWindow* window) {
    centerWindow(window, nibblerSubView());
}

QString NSUIViewNibbler::multiViewTitle() const {
    return className();
}

void NSUIViewNibbler::deferConstructionUntilXcodePropertiesSet() {}

void NSUIViewNibbler::awakeFromNibbler() {}

void NSUIViewNibbler::logView(NSView*, const QString&) {}
