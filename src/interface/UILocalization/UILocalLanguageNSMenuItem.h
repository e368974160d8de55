#pragma once

#include "platform/appkit/NSMenu.h"

// A menu item whose title is also given to the menu it is in and to its submenu, so that a
// language switch that retitles the item retitles them too.
class UILocalLanguageNSMenuItem : public NSMenuItem {
    Q_OBJECT
    NS_DECLARE_CLASS(UILocalLanguageNSMenuItem)
    Q_PROPERTY(QString title READ title WRITE setTitle)
public:
    void setTitle(const QString& title);
};

int import_UILocalLanguageNSMenuItem();
