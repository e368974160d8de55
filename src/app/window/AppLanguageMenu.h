#pragma once

#include "interface/UILocalization/UILocalLanguageController.h"
#include "platform/appkit/NSMenu.h"
#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSObject.h"

#include <QVariantMap>

#include <optional>

// The Language menu: its items' tags name the languages the application ships (0 US English,
// the texts of the interface files; 1 German; 2 French), whose tables are property lists in the
// interface folders' "Languages" folder. The item of the language shown carries a tick.
class AppLanguageMenu : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(AppLanguageMenu)
    Q_PROPERTY(UILocalLanguageController* outletLanguageController MEMBER outletLanguageController)
    Q_PROPERTY(NSMenu* outletLanguageMenu MEMBER outletLanguageMenu)
public:
    ~AppLanguageMenu() override;

    // Outlets, not retained.
    UILocalLanguageController* outletLanguageController = nullptr;
    NSMenu* outletLanguageMenu = nullptr;

    // Ticks the language shown now and after every change of language.
    void awakeFromNib() override;
    // The language of the sender's tag.
    Q_INVOKABLE void actionChooseLanguage(NSObject* sender);
    // Selects the language of `tag`; false (nothing changes) when its table cannot be read.
    bool chooseLanguage(int tag);
    // The tag of the language the controller shows: the shipped table whose every text it
    // shows, 0 when it shows the US English texts, -1 for a table of someone else's.
    int currentLanguageTag() const;
    // The file name of a tag's table; empty for US English and unknown tags.
    static QString tableFileName(int tag);

private:
    // The shipped table of `tag`, read from the first interface folder that holds it.
    static std::optional<QVariantMap> readTable(int tag);
    void updateTicks();

    NSObject* mLanguageObserver = nullptr;
};

int import_AppLanguageMenu();
