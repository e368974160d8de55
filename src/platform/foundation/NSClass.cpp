#include "platform/foundation/NSClass.h"

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSObject.h"
#include "platform/foundation/NSSelector.h"

#include <QHash>
#include <QMetaObject>
#include <QStringList>

#include <shared_mutex>

namespace {

struct Registry {
    std::shared_mutex lock;
    QHash<QString, Class> byName;
    QHash<const QMetaObject*, Class> byMetaObject;
};

// Never destroyed: class objects live until the process ends.
Registry& registry() {
    static Registry* sRegistry = new Registry;
    return *sRegistry;
}

} // namespace

struct NSClass::Methods {
    std::mutex lock;
    QHash<QString, ClassMethod> table;
};

NSClass::NSClass(const char* name, Class superclass, const QMetaObject* metaObject, Factory factory)
    : mName(name), mSuperclass(superclass), mMetaObject(metaObject), mFactory(factory),
      mMethods(std::make_unique<Methods>()) {}

NSClass::~NSClass() = default;

QString NSClass::name() const {
    return QString::fromLatin1(mName);
}

bool NSClass::isSubclassOfClass(Class other) const {
    for (Class cls = this; cls; cls = cls->mSuperclass) {
        if (cls == other)
            return true;
    }
    return false;
}

NSObject* NSClass::allocWithZone(NSZone* /*zone*/) const {
    return mFactory ? mFactory() : nullptr;
}

Class NSClass::copyWithZone(NSZone* /*zone*/) const {
    return this;
}

Class NSClass::mutableCopyWithZone(NSZone* /*zone*/) const {
    return this;
}

void NSClass::addClassMethod(const QString& selector, ClassMethod method) {
    std::lock_guard guard(mMethods->lock);
    mMethods->table.insert(selector, std::move(method));
}

NSClass::ClassMethod NSClass::findClassMethod(const QString& selector) const {
    for (Class cls = this; cls; cls = cls->mSuperclass) {
        std::lock_guard guard(cls->mMethods->lock);
        auto it = cls->mMethods->table.constFind(selector);
        if (it != cls->mMethods->table.constEnd())
            return *it;
    }
    return {};
}

bool NSClass::respondsToSelector(const QString& selector) const {
    return static_cast<bool>(findClassMethod(selector));
}

QVariant NSClass::perform(const QString& selector) const {
    ClassMethod method = findClassMethod(selector);
    if (!method)
        NSException::raise(
            NSInvalidArgumentException,
            QStringLiteral("+[%1 %2]: unrecognized selector sent to class").arg(name(), selector));
    return method(this);
}

bool NSClass::instancesRespondToSelector(const QString& selector) const {
    return NSSelector::metaObjectResponds(mMetaObject, selector);
}

QSet<QString> NSClass::keyPathsForValuesAffectingValueForKey(const QString& key) const {
    if (key.isEmpty())
        return {};
    const QString selector =
        QStringLiteral("keyPathsForValuesAffecting") + key.left(1).toUpper() + key.mid(1);
    if (!respondsToSelector(selector))
        return {};
    const QVariant paths = perform(selector);
    if (paths.metaType() == QMetaType::fromType<QSet<QString>>())
        return paths.value<QSet<QString>>();
    const QStringList list = paths.toStringList();
    return QSet<QString>(list.begin(), list.end());
}

Class NSClass::registerClass(NSClass* cls, const std::function<void(NSClass&)>& setup) {
    if (setup)
        setup(*cls);
    Registry& reg = registry();
    std::unique_lock guard(reg.lock);
    reg.byName.insert(cls->name(), cls);
    reg.byMetaObject.insert(cls->metaObject(), cls);
    return cls;
}

Class NSClassFromString(const QString& name) {
    Registry& reg = registry();
    std::shared_lock guard(reg.lock);
    return reg.byName.value(name);
}

QString NSStringFromClass(Class cls) {
    return cls ? cls->name() : QString();
}

Class NSClassForMetaObject(const QMetaObject* metaObject) {
    Registry& reg = registry();
    std::shared_lock guard(reg.lock);
    for (const QMetaObject* mo = metaObject; mo; mo = mo->superClass()) {
        if (Class cls = reg.byMetaObject.value(mo))
            return cls;
    }
    return nullptr;
}
