#pragma once

#include "platform/corefoundation/CFBase.h"

#include <utility>

// Whether a holder releases its reference when it lets go of it.
enum CFTypeRef_Ownership : int {
    kCFTypeRefBorrowed = 0,
    kCFTypeRefOwned = 1,
};

// Holds one Core Foundation reference of type T (CFStringRef, CFNumberRef, ...), owned or
// borrowed. Copies own their reference (one more retain); moves hand it over.
template <class T>
class T_CFTypeRef {
public:
    T_CFTypeRef() = default;
    T_CFTypeRef(T ref, CFTypeRef_Ownership ownership) { construct(ref, ownership); }
    T_CFTypeRef(const T_CFTypeRef& other) {
        if (other.mValueRef)
            construct(static_cast<T>(CFRetain(other.mValueRef)), kCFTypeRefOwned);
    }
    T_CFTypeRef(T_CFTypeRef&& other) noexcept
        : mValueRef(std::exchange(other.mValueRef, nullptr)),
          mOwnership(std::exchange(other.mOwnership, kCFTypeRefBorrowed)) {}
    T_CFTypeRef& operator=(const T_CFTypeRef& other) {
        if (this != &other) {
            T_CFTypeRef copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    T_CFTypeRef& operator=(T_CFTypeRef&& other) noexcept {
        if (this != &other) {
            destruct();
            mValueRef = std::exchange(other.mValueRef, nullptr);
            mOwnership = std::exchange(other.mOwnership, kCFTypeRefBorrowed);
        }
        return *this;
    }
    ~T_CFTypeRef() { destruct(); }

    // Lets go of the held reference, then holds `ref` with the given ownership; false for null.
    bool construct(T ref, CFTypeRef_Ownership ownership) {
        destruct();
        mValueRef = ref;
        mOwnership = ref ? ownership : kCFTypeRefBorrowed;
        return ref != nullptr;
    }
    // Releases the reference when it is set and owned, then holds nothing.
    void destruct() {
        if (mValueRef && mOwnership == kCFTypeRefOwned)
            CFRelease(mValueRef);
        mValueRef = nullptr;
        mOwnership = kCFTypeRefBorrowed;
    }

    T Get() const { return mValueRef; }
    CFTypeRef_Ownership Ownership() const { return mOwnership; }
    explicit operator bool() const { return mValueRef != nullptr; }

protected:
    T mValueRef = nullptr;
    CFTypeRef_Ownership mOwnership = kCFTypeRefBorrowed;
};
