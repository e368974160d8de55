#pragma once

#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSObject.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// An interface file: XML that names objects by class, the window and view tree with frames and
// settings, and the outlets, actions and bindings between them (the format is described in
// docs/interface-files.md). Files are found by name ("MainMenu" is MainMenu.xml) in the
// interface folders. Main thread only.
class NSNib : public NSObject {
    Q_OBJECT
public:
    // The interface file `name` read and parsed, with one reference for the caller; null, with
    // one log line, when no folder holds it (reported once per name) or it is not well-formed.
    // `bundle` is accepted for the platform's signature and must be null (the application).
    static NSNib* initWithNibNamed(const QString& name, NSObject* bundle = nullptr);

    // Makes the file's objects, connects them (the owner answers to the id "owner"), sends
    // awakeFromNib to each of them and then to the owner, and hands the top-level objects (those
    // not inside a window, and windows) to `out_topLevelObjects`, autoreleased. False, with one
    // log line, for an unknown class or identifier, an outlet or binding the object does not
    // have, or a file that is being loaded already (directly or through a view that loads its
    // own file); then no object is kept and nothing is awakened. Platform exceptions raised by
    // the objects themselves pass on to the caller; other C++ exceptions are logged and fail.
    bool instantiateNibWithOwner(NSObject* owner, QList<NSObject*>* out_topLevelObjects);

    QString name() const { return mName; }

    // Where interface files are looked for, first match wins. By default the "interface" folder
    // next to the executable and then the one of the installed tree's data folder.
    static QStringList interfaceFolders();
    static void setInterfaceFolders(const QStringList& folders);

    struct Element;

protected:
    ~NSNib() override;

private:
    NSNib();
    QString mName;
    std::shared_ptr<const Element> mRoot;
};

// Loads the application's main interface file `name` with the application object as its owner
// and keeps its top-level objects for the whole run. The loader to give
// NSApplication::setMainInterfaceLoader.
bool NSNibLoadMainInterface(const QString& name);

int import_NSNib();
