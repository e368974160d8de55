#pragma once

#include "platform/appkit/NSView.h"
#include "platform/foundation/NSClass.h"

#include <QList>
#include <QString>

#include <cstdint>

class NSWindow;

// A view that fills itself with the content of an interface file of its own: when the file that
// places it wakes it, it loads the file named defaultNibName (by default its class name) with
// itself as the owner, takes the content view and an optional controller through its outlets
// nibblerSubView and nibblerController, and stretches the content over itself. The file is
// loaded once; later awakenings go to awakeFromNibbler. Main thread only.
class NSUIViewNibbler : public NSView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIViewNibbler)
    Q_PROPERTY(NSView* nibblerSubView READ nibblerSubView WRITE setNibblerSubView)
    Q_PROPERTY(NSObject* nibblerController READ nibblerController WRITE setNibblerController)
    Q_PROPERTY(QString defaultNibName READ defaultNibName WRITE setDefaultNibName)
public:
    NSUIViewNibbler();
    ~NSUIViewNibbler() override;

    NSView* initWithFrame(const NSRect& frame) override;
    void awakeFromNib() override;
    void setFrameSize(const NSSize& size) override;
    bool acceptsFirstMouse(const QMouseEvent* event) override;

    // Outlets, not retained.
    NSView* nibblerSubView() const { return _nibblerSubView; }
    void setNibblerSubView(NSView* view) { _nibblerSubView = view; }
    NSObject* nibblerController() const { return _nibblerController; }
    void setNibblerController(NSObject* controller) { _nibblerController = controller; }
    // The loaded file's top-level objects, retained for the nibbler's life.
    QList<NSObject*> topLevelObjects() const;
    void setTopLevelObjects(const QList<NSObject*>& objects);
    QString defaultNibName() const { return _defaultNibName; }
    void setDefaultNibName(const QString& name) { _defaultNibName = name; }
    std::uint32_t constructed() const { return _constructed; }

    // The receiving class's nib name: its classNibName class method, by default the class name.
    QString classDefaultNibName() const;
    void constructWithDefaultNibName();
    // Loads `name` with this view as owner; true when it connected nibblerSubView.
    bool instantiateObjectGraphWithNibName(const QString& name);
    // Adds the sub-view and stretches it over this view; false without one.
    bool installNibblerSubView();
    void centerWindowAboveNibblerSubView(NSWindow* window);
    QString multiViewTitle() const;

    // Moves `window` horizontally so that it is centred over `view`, keeping its height on the
    // screen.
    static void centerWindow(NSWindow* window, NSView* horizontallyPositionedAboveView);

protected:
    // Hooks for subclasses; nothing here.
    virtual void deferConstructionUntilXcodePropertiesSet();
    virtual void awakeFromNibbler();
    virtual void logView(NSView* view, const QString& withName);

private:
    NSView* _nibblerSubView = nullptr;
    NSObject* _nibblerController = nullptr;
    QList<NSObject*> _topLevelObjects;
    QString _defaultNibName;
    std::uint32_t _constructed = 0;
};

int import_NSUIViewNibbler();
