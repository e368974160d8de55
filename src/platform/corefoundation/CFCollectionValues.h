#pragma once

// What the collection objects (arrays, dictionaries, sets and bags) share: how they treat their
// members through the callbacks given at creation, and how they describe themselves. Only the
// stand-in's own collection files include this.

#include "platform/corefoundation/CFArray.h"
#include "platform/corefoundation/CFDictionary.h"
#include "platform/corefoundation/CFInternal.h"

#include <QString>
#include <QStringList>

namespace CFCollectionsInternal {

// What a collection does with its members, taken from the callbacks given at creation.
struct ValueOps {
    CFArrayRetainCallBack retain = nullptr;
    CFArrayReleaseCallBack release = nullptr;
    CFArrayCopyDescriptionCallBack copyDescription = nullptr;
    CFArrayEqualCallBack equal = nullptr;
    CFDictionaryHashCallBack hash = nullptr;

    static ValueOps of(const CFArrayCallBacks* cb) {
        return cb ? ValueOps{cb->retain, cb->release, cb->copyDescription, cb->equal, nullptr}
                  : ValueOps{};
    }
    static ValueOps of(const CFDictionaryKeyCallBacks* cb) {
        return cb ? ValueOps{cb->retain, cb->release, cb->copyDescription, cb->equal, cb->hash}
                  : ValueOps{};
    }
    static ValueOps of(const CFDictionaryValueCallBacks* cb) {
        return cb ? ValueOps{cb->retain, cb->release, cb->copyDescription, cb->equal, nullptr}
                  : ValueOps{};
    }
    const void* take(const void* value) const { return retain ? retain(nullptr, value) : value; }
    void drop(const void* value) const {
        if (release)
            release(nullptr, value);
    }
    bool same(const void* a, const void* b) const {
        return a == b || (equal && a && b && equal(a, b));
    }
    // The member's description: nested like the collection's own for objects, else what the
    // description callback gives, else its address.
    QString describe(const void* value, int indent) const;
};

// Members one per line, indented one level deeper than the collection itself.
QString describeLines(const QStringList& lines, int indent, const QString& open,
                      const QString& close, const QString& separator);

} // namespace CFCollectionsInternal
