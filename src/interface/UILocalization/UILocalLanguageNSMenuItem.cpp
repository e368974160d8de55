#include "interface/UILocalization/UILocalLanguageNSMenuItem.h"

NS_IMPLEMENT_CLASS(UILocalLanguageNSMenuItem, NSMenuItem)

int import_UILocalLanguageNSMenuItem() {
    return UILocalLanguageNSMenuItem::classObject() != nullptr ? 1 : 0;
}

void UILocalLanguageNSMenuItem::setTitle(const QString& title) {
    NSMenuItem::setTitle(title);
    if (NSMenu* menu = this->menu())
        menu->setTitle(title);
    if (NSMenu* sub = submenu())
        sub->setTitle(title);
}
