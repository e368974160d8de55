#pragma once

#include "platform/appkit/NSControl.h"

#include <QList>
#include <QPair>
#include <QString>

// A pop-up list of titled items, each with a tag. The binding "selectedTag" is the chosen item's
// tag (-1 with none). Choosing an item announces it and sends the action. Main thread only.
class NSPopUpButton : public NSControl {
    Q_OBJECT
    NS_DECLARE_CLASS(NSPopUpButton)
    Q_PROPERTY(int selectedTag READ selectedTag WRITE selectItemWithTag)
    Q_PROPERTY(int indexOfSelectedItem READ indexOfSelectedItem WRITE selectItemAtIndex)
    Q_PROPERTY(QString itemTitles READ itemTitles WRITE setItemTitles)
public:
    NSPopUpButton();

    Q_INVOKABLE void addItemWithTitle(const QString& title, int tag);
    int numberOfItems() const { return int(mItems.size()); }
    QString itemTitleAtIndex(int index) const;
    // The items' titles in order, separated by "|" (a binding for translated titles). Setting
    // renames the items in order; tags and the selection stay, titles beyond the items are
    // ignored and items beyond the titles keep theirs.
    QString itemTitles() const;
    void setItemTitles(const QString& titles);
    int indexOfSelectedItem() const { return mSelected; }
    void selectItemAtIndex(int index);
    int selectedTag() const;
    // Selects the first item with that tag; false (selection unchanged) when there is none.
    bool selectItemWithTag(int tag);
    QString titleOfSelectedItem() const { return itemTitleAtIndex(mSelected); }

    // What choosing item `index` does.
    void chooseItemAtIndex(int index);

protected:
    QWidget* makeControlWidget() override;

private:
    void showSelection();

    QList<QPair<QString, int>> mItems;
    int mSelected = -1;
};

int import_NSPopUpButton();
