#include "platform/appkit/NSMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

NS_IMPLEMENT_CLASS(NSMenuItem, NSObject)
NS_IMPLEMENT_CLASS(NSMenu, NSObject)

int import_NSMenu() {
    return (NSMenu::classObject() != nullptr) & (NSMenuItem::classObject() != nullptr);
}

namespace {

QKeySequence shortcutFor(const QString& key) {
    if (key.size() != 1)
        return QKeySequence(key);
    const QChar character = key.front();
    const int code = character.toUpper().unicode();
    return character.isUpper() ? QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key(code))
                               : QKeySequence(Qt::CTRL | Qt::Key(code));
}

} // namespace

NSMenuItem::NSMenuItem() = default;

NSMenuItem::~NSMenuItem() {
    setSubmenu(nullptr);
}

void NSMenuItem::setTitle(const QString& title) {
    mTitle = title;
    update();
}

void NSMenuItem::setKeyEquivalent(const QString& key) {
    mKeyEquivalent = key;
    update();
}

void NSMenuItem::setEnabled(bool enabled) {
    mEnabled = enabled;
    update();
}

void NSMenuItem::setHidden(bool hidden) {
    mHidden = hidden;
    update();
}

void NSMenuItem::setState(int state) {
    mState = state;
    update();
}

void NSMenuItem::setSubmenu(NSMenu* menu) {
    if (menu)
        menu->retain();
    if (mSubmenu)
        mSubmenu->release();
    mSubmenu = menu;
}

bool NSMenuItem::sendAction() {
    if (!mTarget || mAction.isEmpty() || !mEnabled)
        return false;
    mTarget->performSelector(mAction, this);
    return true;
}

QAction* NSMenuItem::qAction(QWidget* parent) {
    if (mQAction)
        return mQAction;
    if (mSubmenu) {
        QMenu* sub = mSubmenu->makeQMenu(parent);
        sub->setTitle(mTitle);
        mQAction = sub->menuAction();
    } else {
        mQAction = new QAction(mTitle, parent);
        QObject::connect(mQAction, &QAction::triggered, this, [this] {
            sendAction();
            // A checkable action ticks itself when chosen; the item's state decides.
            update();
        });
    }
    update();
    return mQAction;
}

void NSMenuItem::update() {
    if (!mQAction)
        return;
    mQAction->setText(mTitle);
    mQAction->setEnabled(mEnabled);
    mQAction->setVisible(!mHidden);
    if (!mSubmenu) {
        mQAction->setShortcut(shortcutFor(mKeyEquivalent));
        // An item that was ever ticked keeps room for the mark.
        if (mState != NSOffState)
            mQAction->setCheckable(true);
        mQAction->setChecked(mState == NSOnState);
    }
}

NSMenu::NSMenu() = default;

NSMenu::~NSMenu() {
    for (NSMenuItem* item : std::as_const(mItems)) {
        item->mMenu = nullptr;
        item->release();
    }
}

void NSMenu::setTitle(const QString& title) {
    mTitle = title;
    if (mQMenu)
        mQMenu->setTitle(title);
}

void NSMenu::addItem(NSMenuItem* item) {
    if (!item)
        return;
    item->retain();
    item->mMenu = this;
    mItems.append(item);
}

NSMenuItem* NSMenu::itemWithTitle(const QString& title) const {
    for (NSMenuItem* item : mItems) {
        if (item->title() == title)
            return item;
        if (item->submenu()) {
            if (NSMenuItem* found = item->submenu()->itemWithTitle(title))
                return found;
        }
    }
    return nullptr;
}

QMenu* NSMenu::makeQMenu(QWidget* parent) {
    auto* menu = new QMenu(mTitle, parent);
    mQMenu = menu;
    for (NSMenuItem* item : std::as_const(mItems))
        menu->addAction(item->qAction(menu));
    return menu;
}

QWidget* NSMenu::makeMenuBar(QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    for (NSMenuItem* item : std::as_const(mItems)) {
        if (item->submenu())
            bar->addAction(item->qAction(bar));
    }
    return bar;
}
