#pragma once

#include "platform/foundation/NSObject.h"

#include <QString>

#include <array>

class NSImage;

// Cell attributes a button's cell can be given (setCellAttribute).
enum NSCellAttribute : int {
    NSCellLightsByContents = 6,
    NSCellLightsByGray = 7,
    NSCellLightsByBackground = 9,
    NSCellChangesContents = 14,
};

// How a button looks: bezel, border, title, the image and the alternate image, which parts light
// up while pressed and which show the state. Plain settings; the button that owns the cell reads
// them when it draws. Main thread only.
class NSButtonCell : public NSObject {
    Q_OBJECT
public:
    NSButtonCell();
    ~NSButtonCell() override;

    int bezelStyle() const { return mBezelStyle; }
    void setBezelStyle(int style) { mBezelStyle = style; }
    int imagePosition() const { return mImagePosition; }
    void setImagePosition(int position) { mImagePosition = position; }
    bool isBezeled() const { return mBezeled; }
    void setBezeled(bool bezeled) { mBezeled = bezeled; }
    bool isBordered() const { return mBordered; }
    void setBordered(bool bordered) { mBordered = bordered; }
    QString title() const { return mTitle; }
    void setTitle(const QString& title) { mTitle = title; }
    int highlightsBy() const { return mHighlightsBy; }
    void setHighlightsBy(int mask) { mHighlightsBy = mask; }
    int showsStateBy() const { return mShowsStateBy; }
    void setShowsStateBy(int mask) { mShowsStateBy = mask; }
    // Attributes 0 to 31; others read 0 and are not kept.
    int cellAttribute(int attribute) const;
    void setCellAttribute(int attribute, int value);

    // Retained; null clears.
    NSImage* image() const { return mImage; }
    void setImage(NSImage* image);
    NSImage* alternateImage() const { return mAlternateImage; }
    void setAlternateImage(NSImage* image);

private:
    int mBezelStyle = 1;
    int mImagePosition = 0;
    bool mBezeled = true;
    bool mBordered = true;
    QString mTitle;
    int mHighlightsBy = 0;
    int mShowsStateBy = 0;
    std::array<int, 32> mAttributes{};
    NSImage* mImage = nullptr;
    NSImage* mAlternateImage = nullptr;
};
