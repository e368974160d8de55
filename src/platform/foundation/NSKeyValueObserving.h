#pragma once

// Options of NSObject::addObserver (combined with |).
enum : unsigned {
    NSKeyValueObservingOptionNew = 0x01,
    NSKeyValueObservingOptionOld = 0x02,
    NSKeyValueObservingOptionInitial = 0x04,
    NSKeyValueObservingOptionPrior = 0x08,
};

// Value of NSKeyValueChangeKindKey in a change dictionary.
enum NSKeyValueChange : int {
    NSKeyValueChangeSetting = 1,
};

// Keys of the change dictionary handed to observeValueForKeyPath.
inline constexpr char NSKeyValueChangeKindKey[] = "kind";
inline constexpr char NSKeyValueChangeNewKey[] = "new";
inline constexpr char NSKeyValueChangeOldKey[] = "old";
inline constexpr char NSKeyValueChangeNotificationIsPriorKey[] = "notificationIsPrior";
