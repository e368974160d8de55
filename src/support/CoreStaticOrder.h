#pragma once

// The order in which the program's static objects are made before main. Objects of different
// source files are otherwise made in an order the linker chooses; give each group's statics
// CORE_STATIC_ORDER(<its value>) so that later groups can rely on the earlier ones. The compiler
// accepts the attribute on objects of class type only: wrap a plain value (a pointer, a number)
// in a small struct whose constructor sets it. Constant-initialised objects (constinit) need no
// order at all.
#define kCoreStaticOrder_AppInit 1100
#define kCoreStaticOrder_DebugLog 1200
#define kCoreStaticOrder_RecorderTimeScale 1300
#define kCoreStaticOrder_NibSingletons 1400
#define kCoreStaticOrder_Entitlements 1500
#define kCoreStaticOrder_PathConstants 1600
#define kCoreStaticOrder_CFTypeIDs 1700
#define kCoreStaticOrder_SystemName 1800

#define CORE_STATIC_ORDER(order) __attribute__((init_priority(order)))
