// The window's geometry as a person meets it: its smallest size, enlarged, in English and German,
// and the long paths of its file rows. Pictures of each are left next to the test program.

#include "MainWindowFixture.h"

#include <QDebug>
#include <QFontMetrics>

namespace {

using namespace lumenreel::test;

bool isCard(const NSView* view) {
    return view->className() == QStringLiteral("NSUIWhiteRoundRectViewCorner10");
}

QString describe(const NSView* view) {
    QString text = view->className();
    if (const auto* button = qobject_cast<const NSButton*>(view))
        text += QLatin1Char(' ') + button->title();
    else if (const auto* field = qobject_cast<const NSTextField*>(view))
        text += QLatin1Char(' ') + field->stringValue();
    QDebug(&text).nospace() << " at " << view->frame();
    return text;
}

class MainWindowLayoutTest : public WindowFixture {
protected:
    static const NSView* card() { return views<NSView>(isCard).value(0); }

    // What is wrong with the layout at the window's current size: controls that cover one
    // another or leave the window, texts wider than their controls, right-hand controls outside
    // the file card.
    static QStringList layoutFaults() {
        const QList<NSView*> shown = views<NSView>([](NSView* view) {
            return !view->isHidden() && !isCard(view) && view->frame().width() > 0;
        });
        const NSRect bounds = sDelegate->window()->contentView()->bounds();
        const NSRect fileCard = card()->frame();
        QStringList faults;
        for (int first = 0; first < shown.size(); ++first) {
            NSView* view = shown[first];
            const NSRect frame = view->frame();
            if (!bounds.contains(frame))
                faults << describe(view) + QStringLiteral(" leaves the window");
            for (int second = first + 1; second < shown.size(); ++second) {
                const NSRect overlap = frame.intersected(shown[second]->frame());
                if (overlap.width() > 0 && overlap.height() > 0)
                    faults << describe(view) + QStringLiteral(" covers ") + describe(shown[second]);
            }
            if (frame.x() > fileCard.x() && frame.x() < fileCard.right() &&
                frame.y() >= fileCard.y() && frame.right() > fileCard.right())
                faults << describe(view) + QStringLiteral(" sticks out of the file card");
            // Texts other than paths show whole.
            QString text;
            double room = frame.width();
            if (const auto* button = qobject_cast<const NSButton*>(view)) {
                text = button->title();
                room -= 8; // the button's own margins
            } else if (const auto* field = qobject_cast<const NSTextField*>(view);
                       field && !field->isEditable() &&
                       field->lineBreakMode() == NSLineBreakByClipping) {
                text = field->stringValue();
            }
            if (!text.isEmpty() && view->widget() &&
                QFontMetrics(view->widget()->font()).horizontalAdvance(text) > room)
                faults << describe(view) + QStringLiteral(" cuts its text");
        }
        return faults;
    }

    // The window at `size`, in the language of `tag`, checked and pictured as `state`.
    static void checkLayout(int tag, const NSSize& size, const QString& state) {
        setLanguage(tag);
        NSWindow* window = sDelegate->window();
        window->setFrame(NSRect(window->frame().topLeft(), size), true);
        const QStringList faults = layoutFaults();
        EXPECT_TRUE(faults.isEmpty()) << state.toStdString() << ":\n"
                                      << faults.join(QLatin1Char('\n')).toStdString();
        keepPicture(state);
    }
};

TEST_F(MainWindowLayoutTest, EveryControlShowsWholeAndApartAndEnlargedTheFileCardGrows) {
    // The rows of the files a composition loads are shown.
    sDelegate->setHasDependentInputs(true);
    NSWindow* window = sDelegate->window();
    const NSSize minimum = window->contentMinSize();
    ASSERT_GT(minimum.width(), 0);
    window->setFrame(NSMakeRect(100, 100, 560, 420), true);
    EXPECT_EQ(window->frame().size(), minimum);
    // The window manager cannot make it smaller either.
    EXPECT_GE(window->widget()->minimumSize().width(), int(minimum.width()));
    EXPECT_GT(window->widget()->minimumSize().height(), int(minimum.height()));

    checkLayout(1, minimum, QStringLiteral("minimum-german"));
    checkLayout(2, minimum, QStringLiteral("minimum-french"));
    checkLayout(0, minimum, QStringLiteral("minimum-english"));

    // Enlarged, with a composition chosen, the file card and its paths grow with the window.
    chooseComposition(resource(QStringLiteral("compositions/Ripple.fs")));
    const NSRect cardBefore = card()->frame();
    const QList<NSTextField*> paths = views<NSTextField>(
        [](NSTextField* field) { return field->lineBreakMode() == NSLineBreakByTruncatingMiddle; });
    ASSERT_EQ(paths.size(), 6); // the composition, three images, the sound, the folder
    QList<double> widths;
    for (const NSTextField* path : paths)
        widths << path->frame().width();

    const NSSize large(minimum.width() + 480, minimum.height() + 240);
    checkLayout(1, large, QStringLiteral("enlarged-german"));
    checkLayout(0, large, QStringLiteral("enlarged-english"));
    const NSRect cardAfter = card()->frame();
    EXPECT_EQ(cardAfter.width(), cardBefore.width() + 480);
    EXPECT_EQ(cardAfter.right(), large.width() - (minimum.width() - cardBefore.right()));
    // The card stays at the top.
    EXPECT_EQ(large.height() - cardAfter.bottom(), minimum.height() - cardBefore.bottom());
    for (int index = 0; index < paths.size(); ++index)
        EXPECT_EQ(paths[index]->frame().width(), widths[index] + 480) << index;
    window->setFrame(NSRect(QPointF(40, 40), minimum), true);
}

TEST_F(MainWindowLayoutTest, ALongPathShowsItsFileNameAndIsWholeInTheToolTip) {
    const QString scene =
        writeFile("A rather long folder name for client work/Summer campaign 2026/shaders/"
                  "SunsetWavesFinal.glsl",
                  contentsOf(resource(QStringLiteral("compositions/SunsetWaves.glsl"))));
    sDelegate->window()->setFrame(NSRect(QPointF(40, 40), sDelegate->window()->contentMinSize()),
                                  true);
    chooseComposition(scene);

    const QList<NSTextField*> shown =
        views<NSTextField>([](NSTextField* field) { return field->fileDropTarget() == sDelegate; });
    ASSERT_EQ(shown.size(), 1);
    auto* label = qobject_cast<QLabel*>(shown.first()->widget());
    ASSERT_NE(label, nullptr);
    const QString whole =
        sDelegate->outletQuartzCompositionInputController->localizedDisplayInputPath();
    EXPECT_TRUE(whole.endsWith(scene)) << whole.toStdString();
    EXPECT_EQ(shown.first()->stringValue(), whole);
    EXPECT_TRUE(label->text().endsWith(QStringLiteral("SunsetWavesFinal.glsl")))
        << label->text().toStdString();
    EXPECT_TRUE(label->text().contains(QChar(0x2026)));
    EXPECT_EQ(label->toolTip(), whole);
    keepPicture(QStringLiteral("long-path"));
}

} // namespace
