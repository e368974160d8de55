#pragma once

#include <QMetaMethod>
#include <QString>

struct QMetaObject;

// How selectors map onto Qt meta-objects (used by NSObject and NSClass).
namespace NSSelector {

// Number of arguments a selector takes: its count of ':'.
int argumentCount(const QString& selector);
// The invokable method (Q_INVOKABLE or slot) a selector names, most derived first: the first
// keyword with one parameter per ':', or all keywords joined by '_'. Invalid when none.
QMetaMethod findMethod(const QMetaObject* metaObject, const QString& selector);
// True when instances of the meta-object answer the selector: a method as above, a readable
// property named by a selector without ':', or a writable one named by "setKey:".
bool metaObjectResponds(const QMetaObject* metaObject, const QString& selector);

} // namespace NSSelector
