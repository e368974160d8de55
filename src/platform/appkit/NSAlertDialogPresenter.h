#pragma once

#include "platform/appkitcore/NSAlert.h"

// A modal message box of the application.
class NSAlertDialogPresenter : public NSAlertPresenter {
public:
    NSModalResponse presentAlert(const NSAlert& alert) override;
};
