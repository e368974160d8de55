#pragma once

#include "interface/UILocalization/UILocalLanguageController.h"
#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSObject.h"

// The Language menu: its items' tags name the languages the application ships (0 US English,
// the texts of the interface files; 1 German; 2 French), whose tables are property lists in the
// interface folders' "Languages" folder.
class AppLanguageMenu : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(AppLanguageMenu)
    Q_PROPERTY(UILocalLanguageController* outletLanguageController MEMBER outletLanguageController)
public:
    UILocalLanguageController* outletLanguageController = nullptr;

    // The language of the sender's tag.
    Q_INVOKABLE void actionChooseLanguage(NSObject* sender);
    // Selects the language of `tag`; false (nothing changes) when its table cannot be read.
    bool chooseLanguage(int tag);
    // The file name of a tag's table; empty for US English and unknown tags.
    static QString tableFileName(int tag);
};

int import_AppLanguageMenu();
