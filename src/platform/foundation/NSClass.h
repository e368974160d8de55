#pragma once

// Class objects of the object model.
//
// Every class that must be found by name (interface files, NSClassFromString), that overrides a
// class-level operation, or whose instances are made through alloc/init gets a descriptor:
//
//   // Widget.h
//   class Widget : public NSObject {
//       Q_OBJECT
//       NS_DECLARE_CLASS(Widget)
//   public:
//       NSObject* init() override;            // designated initialiser; returns nil on failure
//   };
//   int import_Widget();
//
//   // Widget.cpp
//   NS_IMPLEMENT_CLASS(Widget, NSObject, [](NSClass& cls) {
//       cls.addClassMethod("persistentObjectKeyPaths", [](Class) {
//           return QVariant::fromValue(QSet<QString>{QStringLiteral("title")});
//       });
//   })
//   int import_Widget() { return Widget::classObject() != nullptr; }
//
//   Widget* w = NSAllocInit<Widget>();       // [[Widget alloc] init], caller owns one reference
//   Class c = NSClassFromString("Widget");    // the descriptor, or nullptr
//   NSObject* o = c->alloc()->init();         // the same through the descriptor
//
// Class-level operations come in two kinds:
//   - allocWithZone / copyWithZone / mutableCopyWithZone are virtual members of the descriptor
//     type. A class that changes them declares its own descriptor type derived from its
//     superclass's and names it with `using MetaClass = ...;` in its class body; subclasses
//     inherit that type (see UNibSingleton).
//   - every other class operation (instanceKey, persistentObjectKeyPaths, defaultFolderPath,
//     classNibName, keyPathsForValuesAffecting<Key>, ...) is a named class method returning a
//     QVariant. Lookup walks the superclass chain and the method receives the receiving class as
//     `self`, so an inherited default can still answer per class (for example with self->name()).
//
// Descriptors are made once, registered for the whole run and never freed.

#include <QSet>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <mutex>

class NSObject;
class NSClass;
struct QMetaObject;

// The platform's allocation zone; always nullptr here.
struct NSZone;

using Class = const NSClass*;

class NSClass {
public:
    // Makes a new, uninitialised instance holding one reference (nullptr when the class has no
    // public default constructor).
    using Factory = NSObject* (*)();
    using ClassMethod = std::function<QVariant(Class self)>;

    NSClass(const char* name, Class superclass, const QMetaObject* metaObject, Factory factory);
    virtual ~NSClass();
    NSClass(const NSClass&) = delete;
    NSClass& operator=(const NSClass&) = delete;

    QString name() const;
    Class superclass() const { return mSuperclass; }
    const QMetaObject* metaObject() const { return mMetaObject; }
    // True for this class and every class it derives from.
    bool isSubclassOfClass(Class other) const;

    // Allocation: a new instance with one reference, not yet initialised.
    virtual NSObject* allocWithZone(NSZone* zone) const;
    NSObject* alloc() const { return allocWithZone(nullptr); }
    // Class objects are not copied: by default a copy is the class itself.
    virtual Class copyWithZone(NSZone* zone) const;
    virtual Class mutableCopyWithZone(NSZone* zone) const;

    // Named class methods. Adding one with a name already present replaces it for this class.
    void addClassMethod(const QString& selector, ClassMethod method);
    // True when this class or a superclass has the named class method.
    bool respondsToSelector(const QString& selector) const;
    // Runs the named class method with this class as `self`; throws NSException
    // ("NSInvalidArgumentException") when no class in the chain has it.
    QVariant perform(const QString& selector) const;
    // True when instances answer the selector (an invokable method or a property accessor).
    bool instancesRespondToSelector(const QString& selector) const;

    // The key paths whose changes also change `key`: the class method
    // keyPathsForValuesAffecting<Key> (a QSet<QString> or QStringList), empty without one.
    QSet<QString> keyPathsForValuesAffectingValueForKey(const QString& key) const;

    // The class object's own recursive lock (the platform's per-object synchronisation).
    std::recursive_mutex& synchronizationLock() const { return mLock; }

    // Adds a descriptor to the process-wide registry (which owns it for the whole run), runs
    // `setup` on it and returns it. Used by NS_IMPLEMENT_CLASS.
    static Class registerClass(NSClass* cls, const std::function<void(NSClass&)>& setup = {});

private:
    ClassMethod findClassMethod(const QString& selector) const;

    const char* mName;
    Class mSuperclass;
    const QMetaObject* mMetaObject;
    Factory mFactory;
    struct Methods;
    std::unique_ptr<Methods> mMethods;
    mutable std::recursive_mutex mLock;
};

// The registered class of that name, or nullptr.
Class NSClassFromString(const QString& name);
// The class's name; an empty text for nullptr.
QString NSStringFromClass(Class cls);
// The registered class for a Qt meta-object, or for its nearest registered ancestor.
Class NSClassForMetaObject(const QMetaObject* metaObject);

namespace NSClassDetail {
template <class T>
NSObject* makeInstance() {
    return new T();
}
template <class T>
constexpr NSClass::Factory factoryFor() {
    if constexpr (requires { new T(); })
        return &makeInstance<T>;
    else
        return nullptr;
}
} // namespace NSClassDetail

// In the class body, after Q_OBJECT.
#define NS_DECLARE_CLASS(Name)                                                                     \
public:                                                                                            \
    static Class classObject();                                                                    \
                                                                                                   \
private:

// In the class's .cpp file, once. The optional last argument is a callable taking NSClass& that
// adds class methods. The class is registered when the program starts (and whenever
// Name::classObject() is first called, which the module's import_ anchor does).
#define NS_IMPLEMENT_CLASS(Name, Super, ...)                                                       \
    Class Name::classObject() {                                                                    \
        static const Class sClass = NSClass::registerClass(                                        \
            new Name::MetaClass(#Name, Super::classObject(), &Name::staticMetaObject,              \
                                NSClassDetail::factoryFor<Name>()) __VA_OPT__(, ) __VA_ARGS__);    \
        return sClass;                                                                             \
    }                                                                                              \
    namespace {                                                                                    \
    [[maybe_unused]] const Class sRegisteredClass_##Name = Name::classObject();                    \
    }
