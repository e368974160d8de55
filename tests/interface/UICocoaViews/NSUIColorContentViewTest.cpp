// The colour views: every class found by name with its colour, the shapes they draw, partial
// redraws, and circles that let their parent show through the corners; the lozenge's segment,
// width and caps.

#include "interface/UICocoaViews/NSUIColorContentView.h"
#include "interface/UICocoaViews/NSUIDrawContentHelpers.h"
#include "interface/UICocoaViews/NSUILozengeView.h"
#include "interface/UICocoaViews/NSUIRoundRectView.h"

#include "common/DrawingSupport.h"
#include "common/RecordedDrawing.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

using lumenreel::test::blankPicture;
using lumenreel::test::lastArguments;
using lumenreel::test::recordDrawing;
using lumenreel::test::yUp;

struct Row {
    const char* name;
    float grey;
    float alpha;
};

// One class per family (opaque, stroked, round rect, corner 10 with top and bottom variants,
// accent, lozenge, circle) and every distinct colour and opacity the families use.
const Row kRows[] = {
    {"NSUIColorContentView", 1.0f, 1.0f},
    {"NSUILightGreyOpaqueView", 0.85f, 1.0f},
    {"NSUIMedGreyOpaqueView", 0.5f, 1.0f},
    {"NSUIBlackOpaqueView", 0.05f, 1.0f},
    {"NSUITransparentView", 1.0f, 0.0f},
    {"NSUIGreyStrokedRoundRectView", 0.75f, 0.0f},
    {"NSUIDarkGreyRoundRectView", 0.25f, 1.0f},
    {"NSUIWhiteRoundRectTopViewCorner10", 1.0f, 1.0f},
    {"NSUIMedGreyRoundRectBottomViewCorner10", 0.5f, 1.0f},
    {"NSUIAccentRoundRectViewCorner10", 0.5f, 0.25f},
    {"NSUIBaseLozengeView", 0.75f, 0.8f},
    {"NSUIBlackLozengeView", 0.05f, 0.75f},
    {"NSUIAccentLozengeView", 0.5f, 0.25f},
    {"NSUIGreyCircleView", 0.75f, 1.0f},
};

NSRef<NSUIColorContentView> make(const char* name, double width, double height) {
    EXPECT_EQ(import_NSUIColorContentView(), 1);
    Class cls = NSClassFromString(QString::fromLatin1(name));
    EXPECT_NE(cls, nullptr) << name;
    auto* view = cls ? qobject_cast<NSUIColorContentView*>(cls->alloc()->init()) : nullptr;
    EXPECT_NE(view, nullptr) << name;
    if (view)
        view->setFrame(NSMakeRect(0, 0, width, height));
    return NSAdopt(view);
}

std::vector<CGRecordedCall> record(NSUIColorContentView* view, const NSRect& dirty) {
    return recordDrawing([&] { view->drawRect(dirty); });
}

// The view drawn into an image (top row first) of its size.
QImage paint(NSUIColorContentView* view) {
    const NSRect area = view->bounds();
    QImage image = blankPicture(int(area.width()), int(area.height()));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(0, area.height());
    painter.scale(1, -1);
    NSGraphicsContext context(&painter);
    NSGraphicsContext::setCurrentContext(&context);
    view->drawRect(area);
    NSGraphicsContext::setCurrentContext(nullptr);
    return image;
}

TEST(NSUIColorContentView, EveryClassIsFoundByNameWithItsColour) {
    for (const Row& row : kRows) {
        NSRef<NSUIColorContentView> view = make(row.name, 60, 30);
        ASSERT_TRUE(view) << row.name;
        EXPECT_EQ(NSStringFromClass(NSClassForMetaObject(view->metaObject())),
                  QString::fromLatin1(row.name));
        for (int i = 0; i < 3; ++i)
            EXPECT_FLOAT_EQ(view->viewColor()[i], row.grey) << row.name;
        EXPECT_FLOAT_EQ(view->opacity(), row.alpha) << row.name;
    }
}

TEST(NSUIColorContentView, PlainViewFillsOnlyTheDirtyRectangle) {
    NSRef<NSUIColorContentView> view = make("NSUIGreyOpaqueView", 100, 50);
    EXPECT_EQ(lastArguments(record(view.get(), NSMakeRect(10, 5, 20, 15)), "CGContextFillRect"),
              (std::vector<CGFloat>{10, 5, 20, 15}));
}

// Where the outline's right edge stops below the top: the line from the middle of the right
// edge ends at the first corner arc, one radius below the top.
double rightEdgeEnd(NSUIColorContentView* view) {
    for (const auto& call : record(view, view->bounds()))
        if (call.name == "CGContextAddPath" && call.path.size() > 1)
            return call.path[1].points[0].y;
    return -1;
}

// A corner's radius is RoundRectRadius's matter; here each family passes its own corner.
TEST(NSUIColorContentView, RoundRectViewsPassAQuarterOrTenPointsAsTheirCorner) {
    NSRef<NSUIColorContentView> quarter = make("NSUIGreyRoundRectView", 100, 100);
    EXPECT_NEAR(rightEdgeEnd(quarter.get()), 75, 1e-9) << "radius 25";
    NSRef<NSUIColorContentView> ten = make("NSUIBlackRoundRectViewCorner10", 100, 100);
    EXPECT_NEAR(rightEdgeEnd(ten.get()), 90, 1e-9) << "radius 10";
    EXPECT_EQ(lastArguments(record(quarter.get(), quarter->bounds()), "CGContextSetRGBFillColor"),
              (std::vector<CGFloat>{0.75f, 0.75f, 0.75f, 1.0f}));
}

TEST(NSUIColorContentView, TopAndBottomCornerViewsRoundOnlyThoseCorners) {
    NSRef<NSUIColorContentView> top = make("NSUIGreyRoundRectTopViewCorner10", 200, 40);
    const QImage topImage = paint(top.get());
    EXPECT_EQ(yUp(topImage, 0, 39).alpha(), 0) << "top-left corner is rounded";
    EXPECT_EQ(yUp(topImage, 199, 39).alpha(), 0) << "top-right corner is rounded";
    EXPECT_EQ(yUp(topImage, 0, 0), QColor(191, 191, 191)) << "bottom-left corner is square";
    EXPECT_EQ(yUp(topImage, 5, 35), QColor(191, 191, 191)) << "inside the top arc";

    NSRef<NSUIColorContentView> bottom = make("NSUIWhiteRoundRectBottomViewCorner10", 200, 40);
    const QImage bottomImage = paint(bottom.get());
    EXPECT_EQ(yUp(bottomImage, 0, 0).alpha(), 0);
    EXPECT_EQ(yUp(bottomImage, 199, 39), QColor(255, 255, 255));

    NSRef<NSUIColorContentView> none = make("NSUIGreyOpaqueView", 20, 20);
    EXPECT_TRUE(record(none.get(), NSRect()).size() > 0);
    for (const auto& call : recordDrawing([&] { none->drawRect_roundRect(none->bounds(), 10, 4); }))
        ADD_FAILURE() << "flags 4 drew " << call.name;
}

TEST(NSUIColorContentView, StrokedViewDrawsABandThreePointsWideAndNoFill) {
    NSRef<NSUIColorContentView> view = make("NSUIGreyStrokedRoundRectView", 80, 40);
    const QImage image = paint(view.get());
    // The band is centred on the edge: 1.5 points of it inside the view.
    EXPECT_EQ(yUp(image, 0, 20), QColor(191, 191, 191));
    EXPECT_EQ(yUp(image, 3, 20).alpha(), 0);
    EXPECT_EQ(yUp(image, 40, 20).alpha(), 0) << "the fill has opacity 0";
}

// The lozenge's shape is the drawing helper's; here its colour and opacity reach it.
TEST(NSUIColorContentView, LozengeViewDrawsInItsOpacity) {
    NSRef<NSUIColorContentView> view = make("NSUIBaseLozengeView", 100, 22);
    const QImage image = paint(view.get());
    EXPECT_EQ(yUp(image, 50, 0).alpha(), 0);
    EXPECT_NEAR(yUp(image, 50, 11).alpha(), 204, 1) << "alpha 0.8";
}

TEST(NSUIColorContentView, CircleViewsShowTheirParentThroughTheCorners) {
    NSRef<NSUIColorContentView> parent = NSAdopt(NSUIColorContentView::colorViewWith(1, 0, 0));
    parent->setFrame(NSMakeRect(0, 0, 50, 40));
    NSRef<NSUIColorContentView> circle = make("NSUIBlackCircleView", 30, 20);
    circle->setFrame(NSMakeRect(10, 10, 30, 20));
    parent->addSubview(circle.get());
    QWidget* widget = parent->widget();
    ASSERT_NE(widget, nullptr);
    const QImage image = widget->grab().toImage();
    EXPECT_EQ(yUp(image, 10, 10), QColor(255, 0, 0))
        << "the circle's lower-left corner shows the parent";
    EXPECT_EQ(yUp(image, 39, 29), QColor(255, 0, 0));
    EXPECT_EQ(yUp(image, 25, 20), QColor(13, 13, 13)) << "the circle's middle is black 0.05";
}

const float kGrey[3] = {0.75f, 0.75f, 0.75f};

// The line cap, line width, stroked segments and filled circles of a lozenge drawn in `rect`, as
// "name arguments" texts in that order; the drawing leaves the graphics state as it found it.
std::vector<std::string> drawLozenge(const CGRect& rect) {
    CGContextRef context = CGContextCreateRecording();
    NSUIDrawLozenge(context, rect, kGrey, 0.8f);
    std::vector<std::string> drawn;
    for (const char* name : {"CGContextSetLineCap", "CGContextSetLineWidth",
                             "CGContextStrokeLineSegments", "CGContextFillEllipseInRect"})
        for (const CGRecordedCall& call : CGContextCopyRecordedCallsNamed(context, name)) {
            std::ostringstream text;
            text << name;
            for (CGFloat arg : call.args)
                text << ' ' << arg;
            drawn.push_back(text.str());
        }
    EXPECT_EQ(CGContextGetGStateDepth(context), 0);
    CGContextRelease(context);
    return drawn;
}

using Drawn = std::vector<std::string>;

TEST(NSUIDrawLozenge, WideOrTallRectangleIsOneRoundCappedStrokeSquareIsAFilledCircle) {
    EXPECT_EQ(drawLozenge(CGRectMake(0, 0, 100, 22)),
              (Drawn{"CGContextSetLineCap 1", "CGContextSetLineWidth 20",
                     "CGContextStrokeLineSegments 10 11 90 11"}));
    // Inset to 22 x 20: still wider than high.
    EXPECT_EQ(drawLozenge(CGRectMake(0, 0, 22, 22)),
              (Drawn{"CGContextSetLineCap 1", "CGContextSetLineWidth 20",
                     "CGContextStrokeLineSegments 10 11 12 11"}));
    EXPECT_EQ(drawLozenge(CGRectMake(5, 0, 10, 42)),
              (Drawn{"CGContextSetLineCap 1", "CGContextSetLineWidth 10",
                     "CGContextStrokeLineSegments 10 6 10 36"}));

    // A square inset rectangle is a filled circle.
    EXPECT_EQ(drawLozenge(CGRectMake(0, 0, 22, 24)),
              (Drawn{"CGContextSetLineCap 1", "CGContextFillEllipseInRect 0 1 22 22"}));
}

TEST(NSUIDrawLozenge, FlatOrMalformedRectanglesDrawNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const CGRect& rect : {CGRectMake(0, 0, 100, 2), CGRectMake(0, 0, 100, nan),
                               CGRectMake(nan, 0, 100, 22), CGRectMake(0, 0, inf, 22)}) {
        CGContextRef context = CGContextCreateRecording();
        NSUIDrawLozenge(context, rect, kGrey, 1);
        EXPECT_TRUE(CGContextCopyRecordedCalls(context).empty());
        CGContextRelease(context);
    }
}

} // namespace
