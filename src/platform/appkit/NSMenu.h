#pragma once

#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSObject.h"

#include <QList>
#include <QPointer>
#include <QString>

class NSMenu;
class QAction;

// A menu item's check mark.
constexpr int NSOffState = 0;
constexpr int NSOnState = 1;

class QMenu;
class QWidget;

// One entry of a menu: a title, the key that chooses it with Ctrl ("q" is Ctrl+Q, "Q"
// Ctrl+Shift+Q), a tag, and either an action sent to a target or a submenu. Main thread only.
class NSMenuItem : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSMenuItem)
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(QString keyEquivalent READ keyEquivalent WRITE setKeyEquivalent)
    Q_PROPERTY(int tag READ tag WRITE setTag)
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool hidden READ isHidden WRITE setHidden)
    Q_PROPERTY(int state READ state WRITE setState)
    Q_PROPERTY(NSObject* target READ target WRITE setTarget)
    Q_PROPERTY(QString action READ action WRITE setAction)
    Q_PROPERTY(NSMenu* submenu READ submenu WRITE setSubmenu)
public:
    NSMenuItem();
    ~NSMenuItem() override;

    QString title() const { return mTitle; }
    void setTitle(const QString& title);
    QString keyEquivalent() const { return mKeyEquivalent; }
    void setKeyEquivalent(const QString& key);
    int tag() const { return mTag; }
    void setTag(int tag) { mTag = tag; }
    bool isEnabled() const { return mEnabled; }
    void setEnabled(bool enabled);
    bool isHidden() const { return mHidden; }
    void setHidden(bool hidden);
    // NSOnState shows a check mark beside the title.
    int state() const { return mState; }
    void setState(int state);
    // Not retained.
    NSObject* target() const { return mTarget; }
    void setTarget(NSObject* target) { mTarget = target; }
    QString action() const { return mAction; }
    void setAction(const QString& selector) { mAction = selector; }
    // Retained.
    NSMenu* submenu() const { return mSubmenu; }
    void setSubmenu(NSMenu* menu);

    // The menu the item is in, or null.
    NSMenu* menu() const { return mMenu; }

    // Sends the action to the target with this item as the argument; false without either.
    bool sendAction();
    // The Qt action that shows the item (for an item with a submenu, the submenu's entry), made
    // on first use and owned by `parent`.
    QAction* qAction(QWidget* parent);

private:
    void update();

    QString mTitle;
    QString mKeyEquivalent;
    int mTag = 0;
    bool mEnabled = true;
    bool mHidden = false;
    int mState = 0;
    QPointer<NSObject> mTarget;
    QString mAction;
    NSMenu* mSubmenu = nullptr;
    NSMenu* mMenu = nullptr;
    QPointer<QAction> mQAction;

    friend class NSMenu;
};

// A menu: a title and items it retains. As a window's menu its items are the menu bar's menus.
class NSMenu : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSMenu)
    Q_PROPERTY(QString title READ title WRITE setTitle)
public:
    NSMenu();
    ~NSMenu() override;

    QString title() const { return mTitle; }
    void setTitle(const QString& title);
    const QList<NSMenuItem*>& itemArray() const { return mItems; }
    void addItem(NSMenuItem* item);
    // The first item with that title, searching submenus too; null when there is none.
    NSMenuItem* itemWithTitle(const QString& title) const;

    // A Qt menu of the items, owned by `parent`.
    QMenu* makeQMenu(QWidget* parent);
    // A menu bar whose menus are the submenus of the items, owned by `parent`.
    QWidget* makeMenuBar(QWidget* parent);

private:
    QString mTitle;
    QList<NSMenuItem*> mItems;
    QPointer<QMenu> mQMenu;
};

int import_NSMenu();
