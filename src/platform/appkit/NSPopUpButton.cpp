#include "platform/appkit/NSPopUpButton.h"

#include <QComboBox>

NS_IMPLEMENT_CLASS(NSPopUpButton, NSControl)

int import_NSPopUpButton() {
    return NSPopUpButton::classObject() != nullptr ? 1 : 0;
}

NSPopUpButton::NSPopUpButton() = default;

void NSPopUpButton::addItemWithTitle(const QString& title, int tag) {
    mItems.append({title, tag});
    if (auto* box = qobject_cast<QComboBox*>(existingWidget())) {
        const QSignalBlocker blocker(box);
        box->addItem(title);
    }
    if (mSelected < 0)
        selectItemAtIndex(0);
}

QString NSPopUpButton::itemTitleAtIndex(int index) const {
    return index >= 0 && index < mItems.size() ? mItems[index].first : QString();
}

QString NSPopUpButton::itemTitles() const {
    QStringList titles;
    for (const auto& item : mItems)
        titles.append(item.first);
    return titles.join(QLatin1Char('|'));
}

void NSPopUpButton::setItemTitles(const QString& titles) {
    const QStringList names = titles.split(QLatin1Char('|'));
    auto* box = qobject_cast<QComboBox*>(existingWidget());
    for (int index = 0; index < mItems.size() && index < names.size(); ++index) {
        mItems[index].first = names[index];
        if (box)
            box->setItemText(index, names[index]);
    }
}

void NSPopUpButton::selectItemAtIndex(int index) {
    mSelected = index >= 0 && index < mItems.size() ? index : -1;
    showSelection();
}

int NSPopUpButton::selectedTag() const {
    return mSelected >= 0 ? mItems[mSelected].second : -1;
}

bool NSPopUpButton::selectItemWithTag(int tag) {
    for (int index = 0; index < mItems.size(); ++index) {
        if (mItems[index].second == tag) {
            selectItemAtIndex(index);
            return true;
        }
    }
    return false;
}

void NSPopUpButton::chooseItemAtIndex(int index) {
    if (index < 0 || index >= mItems.size() || !isEnabled())
        return;
    selectItemAtIndex(index);
    Q_EMIT userChangedValue(QStringLiteral("selectedTag"));
    Q_EMIT userChangedValue(QStringLiteral("indexOfSelectedItem"));
    sendAction();
}

QWidget* NSPopUpButton::makeControlWidget() {
    auto* box = new QComboBox;
    for (const auto& item : std::as_const(mItems))
        box->addItem(item.first);
    box->setCurrentIndex(mSelected);
    QObject::connect(box, &QComboBox::activated, this,
                     [this](int index) { chooseItemAtIndex(index); });
    return box;
}

void NSPopUpButton::showSelection() {
    if (auto* box = qobject_cast<QComboBox*>(existingWidget())) {
        const QSignalBlocker blocker(box);
        box->setCurrentIndex(mSelected);
    }
}
