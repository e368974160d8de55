#include "platform/appkit/NSNib.h"

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSBinding.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSNibReader.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSSelector.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMetaProperty>
#include <QPointer>
#include <QSet>

#include <exception>

int import_NSNib() {
    return import_NSView() & import_NSWindow() & import_NSMenu();
}

namespace {

QStringList& folders() {
    static QStringList list = [] {
        const QString bin = QCoreApplication::applicationDirPath();
        return QStringList{bin + QStringLiteral("/interface"),
                           bin + QStringLiteral("/../share/lumenreel/interface")};
    }();
    return list;
}

// Names of the files being loaded on this thread, outermost first.
thread_local QStringList sLoading;

class Loader {
public:
    Loader(QString nibName, NSObject* owner) : mNibName(std::move(nibName)), mOwner(owner) {}
    // A load that was not committed gives back every outlet and target it set, before the
    // objects it made are freed: nothing that lives on (the owner, a shared instance) may point
    // at them.
    ~Loader() {
        if (!mCommitted)
            undoConnections();
    }
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;

    bool make(const NSNib::Element& element, NSObject* parent, bool topLevel);
    bool connect(const NSNib::Element& element, NSObject* enclosing);
    void awaken();
    void handTopLevelObjects(QList<NSObject*>* out) const;
    const QString& error() const { return mError; }
    void commit() { mCommitted = true; }

private:
    bool fail(const NSNib::Element& element, const QString& text) {
        mError = QStringLiteral("line %1: %2").arg(element.line).arg(text);
        return false;
    }
    NSObject* lookUp(const NSNib::Element& element, const QString& id);
    bool apply(const NSNib::Element& element, NSObject* object);
    // Sets `key` of `source` to `value`, remembering the value it had.
    void assign(NSObject* source, const QString& key, const QVariant& value);
    void undoConnections();

    struct Assignment {
        QPointer<NSObject> source;
        QString key;
        QVariant previous;
    };

    QString mNibName;
    NSObject* mOwner;
    QHash<QString, NSObject*> mIds;
    QHash<const NSNib::Element*, NSObject*> mByElement;
    QList<NSRef<NSObject>> mMade;
    QList<NSObject*> mTopLevel;
    QString mError;
    QList<Assignment> mAssignments;
    bool mCommitted = false;
};

const QSet<QString>& structuralAttributes() {
    static const QSet<QString> names{QStringLiteral("id"), QStringLiteral("class")};
    return names;
}

bool isConnection(const QString& tag) {
    return tag == QLatin1StringView("outlet") || tag == QLatin1StringView("action") ||
           tag == QLatin1StringView("binding");
}

// The type of the setting `key` of `object`: its property's, or its setter's argument's.
QMetaType settingType(const NSObject* object, const QString& key) {
    const QMetaObject* meta = object->metaObject();
    const int index = meta->indexOfProperty(key.toUtf8().constData());
    if (index >= 0 && meta->property(index).isWritable())
        return meta->property(index).metaType();
    const QMetaMethod setter = NSSelector::findMethod(
        meta, QStringLiteral("set%1%2:").arg(key.left(1).toUpper(), key.mid(1)));
    return setter.isValid() ? setter.parameterMetaType(0) : QMetaType();
}

bool Loader::apply(const NSNib::Element& element, NSObject* object) {
    for (const auto& [key, text] : element.attributes) {
        if (structuralAttributes().contains(key))
            continue;
        const QMetaType type = settingType(object, key);
        if (!type.isValid())
            return fail(element,
                        QStringLiteral("%1 has no setting \"%2\"").arg(object->className(), key));
        const QVariant value = NSNibValueFromText(text, type);
        if (!value.isValid())
            return fail(element, QStringLiteral("\"%1\" is no value for %2 of %3")
                                     .arg(text, key, object->className()));
        object->setValue_forKey(value, key);
    }
    return true;
}

bool Loader::make(const NSNib::Element& element, NSObject* parent, bool topLevel) {
    const QString& tag = element.tag;
    if (isConnection(tag))
        return true;
    if (tag == QLatin1StringView("item")) {
        // An entry of a pop-up button or menu: its title and tag.
        bool ok = parent && QMetaObject::invokeMethod(parent, "addItemWithTitle",
                                                      Q_ARG(QString, element.attribute("title")),
                                                      Q_ARG(int, element.attribute("tag").toInt()));
        return ok || fail(element, QStringLiteral("<item> outside a pop-up button"));
    }
    QString defaultClass;
    if (tag == QLatin1StringView("window"))
        defaultClass = QStringLiteral("NSWindow");
    else if (tag == QLatin1StringView("view"))
        defaultClass = QStringLiteral("NSView");
    else if (tag == QLatin1StringView("menu"))
        defaultClass = QStringLiteral("NSMenu");
    else if (tag == QLatin1StringView("menuItem"))
        defaultClass = QStringLiteral("NSMenuItem");
    else if (tag == QLatin1StringView("object"))
        defaultClass = QString();
    else
        return fail(element, QStringLiteral("unknown element <%1>").arg(tag));
    const QString className =
        element.hasAttribute("class") ? element.attribute("class") : defaultClass;
    const Class cls = NSClassFromString(className);
    if (!cls)
        return fail(element, QStringLiteral("unknown class \"%1\"").arg(className));
    const QString id = element.attribute("id");
    if (id == QLatin1StringView("owner") || (!id.isEmpty() && mIds.contains(id)))
        return fail(element, QStringLiteral("identifier \"%1\" is used twice").arg(id));

    NSObject* made = cls->alloc();
    made = made ? made->init() : nullptr;
    if (!made)
        return fail(element, QStringLiteral("%1 could not be made").arg(className));
    mMade.append(NSAdopt(made));
    mByElement.insert(&element, made);
    if (!id.isEmpty())
        mIds.insert(id, made);

    auto* view = qobject_cast<NSView*>(made);
    auto* window = qobject_cast<NSWindow*>(made);
    if (tag == QLatin1StringView("view") && !view)
        return fail(element, QStringLiteral("%1 is not a view").arg(className));
    if (tag == QLatin1StringView("window") && !window)
        return fail(element, QStringLiteral("%1 is not a window").arg(className));
    if (view) {
        auto* parentView = qobject_cast<NSView*>(parent);
        auto* parentWindow = qobject_cast<NSWindow*>(parent);
        if (parentWindow)
            parentView = parentWindow->contentView();
        if (parentView)
            parentView->addSubview(view);
        else if (topLevel)
            mTopLevel.append(made);
        else
            return fail(element, QStringLiteral("a view inside %1").arg(parent->className()));
    } else if (auto* item = qobject_cast<NSMenuItem*>(made);
               item && qobject_cast<NSMenu*>(parent)) {
        static_cast<NSMenu*>(parent)->addItem(item);
    } else if (auto* menu = qobject_cast<NSMenu*>(made);
               menu && qobject_cast<NSMenuItem*>(parent)) {
        static_cast<NSMenuItem*>(parent)->setSubmenu(menu);
    } else {
        // Windows, menus and plain objects are kept by whoever takes the top-level objects.
        mTopLevel.append(made);
    }
    if (!apply(element, made))
        return false;
    for (const NSNib::Element& child : element.children) {
        if (!make(child, made, false))
            return false;
    }
    return true;
}

void Loader::assign(NSObject* source, const QString& key, const QVariant& value) {
    // An outlet without a getter had nothing this file knows of: it goes back to nil.
    QVariant previous(settingType(source, key));
    try {
        const QVariant current = source->valueForKey(key);
        if (current.metaType() == previous.metaType())
            previous = current;
    } catch (const NSException&) {
    }
    mAssignments.append({source, key, previous});
    source->setValue_forKey(value, key);
}

void Loader::undoConnections() {
    for (qsizetype index = mAssignments.size() - 1; index >= 0; --index) {
        const Assignment& assignment = mAssignments[index];
        if (!assignment.source)
            continue;
        try {
            assignment.source->setValue_forKey(assignment.previous, assignment.key);
        } catch (const NSException& exception) {
            NSLog("NSNib: %@: cannot undo %@ of %@: %@\n", mNibName, assignment.key,
                  assignment.source->className(), exception.reason());
        }
    }
    mAssignments.clear();
}

NSObject* Loader::lookUp(const NSNib::Element& element, const QString& id) {
    if (id == QLatin1StringView("owner")) {
        if (!mOwner)
            fail(element, QStringLiteral("the file has no owner"));
        return mOwner;
    }
    NSObject* object = mIds.value(id);
    if (!object)
        fail(element, QStringLiteral("unknown identifier \"%1\"").arg(id));
    return object;
}

bool Loader::connect(const NSNib::Element& element, NSObject* enclosing) {
    const QString& tag = element.tag;
    NSObject* self = mByElement.value(&element, enclosing);
    if (isConnection(tag)) {
        NSObject* source =
            element.hasAttribute("source") ? lookUp(element, element.attribute("source")) : self;
        if (!source)
            return mError.isEmpty() ? fail(element, QStringLiteral("a connection without a source"))
                                    : false;
        if (tag == QLatin1StringView("outlet")) {
            const QString name = element.attribute("name");
            NSObject* destination = lookUp(element, element.attribute("destination"));
            if (!destination)
                return false;
            if (!settingType(source, name).isValid())
                return fail(
                    element,
                    QStringLiteral("%1 has no outlet \"%2\"").arg(source->className(), name));
            assign(source, name, QVariant::fromValue(destination));
        } else if (tag == QLatin1StringView("action")) {
            const QString selector = element.attribute("selector");
            NSObject* target = lookUp(element, element.attribute("target"));
            if (!target)
                return false;
            if (!target->respondsToSelector(selector))
                return fail(
                    element,
                    QStringLiteral("%1 does not answer %2").arg(target->className(), selector));
            if (!settingType(source, QStringLiteral("target")).isValid())
                return fail(element,
                            QStringLiteral("%1 sends no actions").arg(source->className()));
            assign(source, QStringLiteral("target"), QVariant::fromValue(target));
            assign(source, QStringLiteral("action"), selector);
        } else {
            NSObject* target = lookUp(element, element.attribute("target"));
            if (!target)
                return false;
            if (!NSBind(source, element.attribute("property"), target,
                        element.attribute("keyPath")))
                return fail(element, QStringLiteral("cannot bind %1 of %2 to %3")
                                         .arg(element.attribute("property"), source->className(),
                                              element.attribute("keyPath")));
        }
        return true;
    }
    for (const NSNib::Element& child : element.children) {
        if (!connect(child, self))
            return false;
    }
    return true;
}

void Loader::awaken() {
    for (const NSRef<NSObject>& object : std::as_const(mMade))
        object->awakeFromNib();
    if (mOwner)
        mOwner->awakeFromNib();
}

void Loader::handTopLevelObjects(QList<NSObject*>* out) const {
    if (!out)
        return;
    out->clear();
    for (NSObject* object : mTopLevel) {
        object->retain();
        out->append(object->autorelease());
    }
}

} // namespace

NSNib::NSNib() = default;
NSNib::~NSNib() = default;

QStringList NSNib::interfaceFolders() {
    return folders();
}

void NSNib::setInterfaceFolders(const QStringList& list) {
    folders() = list;
}

NSNib* NSNib::initWithNibNamed(const QString& name, NSObject* bundle) {
    static QSet<QString> reportedMissing;
    if (bundle) {
        NSLog("NSNib: %@ can only be loaded from the application\n", name);
        return nullptr;
    }
    QString path;
    for (const QString& folder : folders()) {
        const QString candidate = QDir(folder).filePath(name + QStringLiteral(".xml"));
        if (QFile::exists(candidate)) {
            path = candidate;
            break;
        }
    }
    if (path.isEmpty() || name.contains(QLatin1Char('/'))) {
        if (!reportedMissing.contains(name)) {
            reportedMissing.insert(name);
            NSLog("NSNib: no interface file %@ in %@\n", name,
                  folders().join(QStringLiteral(", ")));
        }
        return nullptr;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        NSLog("NSNib: cannot read %@: %@\n", path, file.errorString());
        return nullptr;
    }
    QString error;
    std::shared_ptr<const Element> root = NSNibReadElements(file.readAll(), &error);
    if (!root) {
        NSLog("NSNib: %@ is not an interface file: %@\n", path, error);
        return nullptr;
    }
    auto* nib = new NSNib;
    nib->mName = name;
    nib->mRoot = std::move(root);
    return nib;
}

bool NSNib::instantiateNibWithOwner(NSObject* owner, QList<NSObject*>* out_topLevelObjects) {
    if (sLoading.contains(mName)) {
        NSLog("NSNib: %@ loads itself (%@)\n", mName, sLoading.join(QStringLiteral(" > ")));
        return false;
    }
    sLoading.append(mName);
    struct Pop {
        ~Pop() { sLoading.removeLast(); }
    } pop;

    Loader loader(mName, owner);
    bool ok = true;
    try {
        for (const Element& child : mRoot->children) {
            ok = loader.make(child, nullptr, true);
            if (!ok)
                break;
        }
        for (std::size_t i = 0; ok && i < mRoot->children.size(); ++i)
            ok = loader.connect(mRoot->children[i], nullptr);
        if (ok)
            loader.awaken();
    } catch (const NSException&) {
        throw;
    } catch (const std::exception& exception) {
        NSLog("NSNib: loading %@ failed: %s\n", mName, exception.what());
        return false;
    } catch (...) {
        NSLog("NSNib: loading %@ failed: an exception of an unknown kind\n", mName);
        return false;
    }
    if (!ok) {
        NSLog("NSNib: %@: %@\n", mName, loader.error());
        return false;
    }
    loader.commit();
    loader.handTopLevelObjects(out_topLevelObjects);
    return true;
}

bool NSNibLoadMainInterface(const QString& name) {
    // The main file's objects live as long as the process.
    static QList<NSObject*> sKept;
    NSAutoreleasePool pool;
    NSRef<NSNib> nib = NSAdopt(NSNib::initWithNibNamed(name));
    QList<NSObject*> objects;
    if (!nib || !nib->instantiateNibWithOwner(NSApplication::sharedApplication(), &objects))
        return false;
    for (NSObject* object : objects)
        sKept.append(object->retain());
    return true;
}
