#include "platform/foundation/NSException.h"
#include "platform/foundation/NSObject.h"

#include <gtest/gtest.h>

class Shape : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(Shape)
    Q_PROPERTY(int sides READ sides WRITE setSides)
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(double area MEMBER mArea)
    Q_PROPERTY(QByteArray data MEMBER mData)
    Q_PROPERTY(Shape* inner READ inner WRITE setInner)
public:
    ~Shape() override {
        if (mInner)
            mInner->release();
    }
    NSObject* init() override {
        mInitialised = true;
        return this;
    }
    bool initialised() const { return mInitialised; }
    int sides() const { return mSides; }
    void setSides(int sides) { mSides = sides; }
    QString title() const { return mTitle; }
    void setTitle(const QString& title) { mTitle = title; }
    Shape* inner() const { return mInner; }
    void setInner(Shape* inner) {
        if (inner)
            inner->retain();
        if (mInner)
            mInner->release();
        mInner = inner;
    }
    Q_INVOKABLE QString summary() const { return QStringLiteral("%1:%2").arg(mTitle).arg(mSides); }
    Q_INVOKABLE void takeObject(NSObject* object) { mTaken = object; }
    Q_INVOKABLE void takeShape(Shape* shape) { mTaken = shape; }
    NSObject* mTaken = nullptr;

private:
    bool mInitialised = false;
    int mSides = 0;
    QString mTitle;
    double mArea = 0;
    QByteArray mData;
    Shape* mInner = nullptr;
};

class Square : public Shape {
    Q_OBJECT
    NS_DECLARE_CLASS(Square)
};

class Unregistered : public Shape {
    Q_OBJECT
};

NS_IMPLEMENT_CLASS(Shape, NSObject, [](NSClass& cls) {
    cls.addClassMethod("classNibName", [](Class self) { return QVariant(self->name() + "Nib"); });
})
NS_IMPLEMENT_CLASS(Square, Shape)

namespace {

template <class F>
QString exceptionName(F&& body) {
    try {
        body();
    } catch (const NSException& exception) {
        return exception.name();
    }
    return {};
}

TEST(ObjectModelTest, ClassesAreFoundByNameAndKnowTheirSuperclass) {
    Class square = NSClassFromString("Square");
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(square, Square::classObject());
    EXPECT_EQ(NSStringFromClass(square), "Square");
    EXPECT_EQ(square->superclass(), Shape::classObject());
    EXPECT_EQ(Shape::classObject()->superclass(), NSObject::classObject());
    EXPECT_TRUE(square->isSubclassOfClass(NSObject::classObject()));
    EXPECT_FALSE(Shape::classObject()->isSubclassOfClass(square));
    EXPECT_EQ(NSClassFromString("NoSuchClass"), nullptr);
    EXPECT_EQ(NSStringFromClass(nullptr), "");
}

TEST(ObjectModelTest, ClassMethodsAreInheritedAndAnswerForTheReceivingClass) {
    EXPECT_TRUE(Square::classObject()->respondsToSelector("classNibName"));
    EXPECT_EQ(Square::classObject()->perform("classNibName").toString(), "SquareNib");
    EXPECT_FALSE(NSObject::classObject()->respondsToSelector("classNibName"));
    EXPECT_EQ(exceptionName([] { NSObject::classObject()->perform("classNibName"); }),
              NSInvalidArgumentException);
}

TEST(ObjectModelTest, AllocInitMakesAnInitialisedInstanceOfTheClass) {
    Square* square = NSAllocInit<Square>();
    ASSERT_NE(square, nullptr);
    EXPECT_TRUE(square->initialised());
    EXPECT_EQ(square->objectClass(), Square::classObject());
    EXPECT_TRUE(square->isKindOfClass(Shape::classObject()));
    EXPECT_FALSE(square->isMemberOfClass(Shape::classObject()));
    EXPECT_EQ(square->retainCount(), 1u);
    NSObject* made = NSClassFromString("Shape")->alloc()->init();
    EXPECT_EQ(made->className(), "Shape");
    made->release();
    square->release();

    // A class that was never registered answers with its nearest registered ancestor.
    NSRef<Unregistered> plain = NSAdopt(new Unregistered());
    EXPECT_EQ(plain->objectClass(), Shape::classObject());
    EXPECT_EQ(Square::classObject()->copyWithZone(nullptr), Square::classObject());
    EXPECT_EQ(exceptionName([&] { plain->copy(); }), NSInvalidArgumentException);
}

TEST(ObjectModelTest, KeyValueCodingReadsAndWritesProperties) {
    NSRef<Shape> shape = NSAdopt(NSAllocInit<Shape>());
    shape->setValue_forKey(4, "sides");
    shape->setValue_forKey(QStringLiteral("box"), "title");
    shape->setValue_forKey(QByteArray("\x00\xff", 2), "data");
    EXPECT_EQ(shape->sides(), 4);
    EXPECT_EQ(shape->valueForKey("title").toString(), "box");
    EXPECT_EQ(shape->valueForKey("data").toByteArray(), QByteArray("\x00\xff", 2));
    // Numbers convert to the property's type; invokable getters answer too.
    shape->setValue_forKey(QVariant(qlonglong(6)), "sides");
    EXPECT_EQ(shape->sides(), 6);
    EXPECT_EQ(shape->valueForKey("summary").toString(), "box:6");
    // Nil clears object-like values and is refused for scalars.
    shape->setValue_forKey(QVariant(), "title");
    EXPECT_TRUE(shape->title().isEmpty());
    EXPECT_EQ(exceptionName([&] { shape->setValue_forKey(QVariant(), "area"); }),
              NSInvalidArgumentException);
    EXPECT_EQ(exceptionName([&] { shape->setValue_forKey(QStringLiteral("many"), "sides"); }),
              NSInvalidArgumentException);
}

TEST(ObjectModelTest, UnknownKeysRaiseTheUnknownKeyException) {
    NSRef<Shape> shape = NSAdopt(new Shape());
    try {
        shape->valueForKey("colour");
        FAIL() << "no exception";
    } catch (const NSException& exception) {
        EXPECT_EQ(exception.name(), "NSUnknownKeyException");
        EXPECT_TRUE(exception.reason().contains("colour"));
        EXPECT_EQ(exception.description(), exception.reason());
    }
    EXPECT_EQ(exceptionName([&] { shape->setValue_forKey(1, "colour"); }), NSUnknownKeyException);
    EXPECT_EQ(exceptionName([&] { shape->valueForKeyPath("inner.colour"); }), "");
    shape->setInner(NSAdopt(new Shape()).get());
    EXPECT_EQ(exceptionName([&] { shape->valueForKeyPath("inner.colour"); }),
              NSUnknownKeyException);
    EXPECT_EQ(exceptionName([&] { shape->valueForKeyPath("title.length"); }),
              NSUnknownKeyException);
}

TEST(ObjectModelTest, KeyPathsWalkThroughObjects) {
    NSRef<Shape> outer = NSAdopt(new Shape());
    // A nil step reads nil and writes nothing.
    EXPECT_FALSE(outer->valueForKeyPath("inner.title").isValid());
    outer->setValue_forKeyPath(QStringLiteral("lost"), "inner.title");

    NSRef<Shape> inner = NSAdopt(new Shape());
    outer->setValue_forKey(QVariant::fromValue(static_cast<NSObject*>(inner.get())), "inner");
    EXPECT_EQ(outer->inner(), inner.get());
    EXPECT_EQ(inner->retainCount(), 2u);
    outer->setValue_forKeyPath(QStringLiteral("kept"), "inner.title");
    EXPECT_EQ(inner->title(), "kept");
    EXPECT_EQ(outer->valueForKeyPath("inner.title").toString(), "kept");
    // An object of the wrong class does not fit an object property.
    NSRef<NSObject> other = NSAdopt(new NSObject());
    EXPECT_EQ(
        exceptionName([&] { outer->setValue_forKey(QVariant::fromValue(other.get()), "inner"); }),
        NSInvalidArgumentException);
    EXPECT_EQ(outer->inner(), inner.get());
}

TEST(ObjectModelTest, SelectorsNameInvokableMethodsAndAccessors) {
    NSRef<Shape> shape = NSAdopt(new Shape());
    EXPECT_TRUE(shape->respondsToSelector("summary"));
    EXPECT_TRUE(shape->respondsToSelector("takeObject:"));
    EXPECT_TRUE(shape->respondsToSelector("title"));
    EXPECT_TRUE(shape->respondsToSelector("setTitle:"));
    EXPECT_FALSE(shape->respondsToSelector("takeObject"));
    EXPECT_FALSE(shape->respondsToSelector("setSummary:"));
    EXPECT_TRUE(Shape::classObject()->instancesRespondToSelector("takeShape:"));

    NSRef<Shape> other = NSAdopt(new Shape());
    shape->performSelector("takeShape:", other.get());
    EXPECT_EQ(shape->mTaken, other.get());
    shape->performSelector("setTitle:", nullptr);
    shape->setTitle("t");
    EXPECT_EQ(shape->performSelector("summary").toString(), "t:0");

    NSRef<NSObject> plain = NSAdopt(new NSObject());
    EXPECT_EQ(exceptionName([&] { shape->performSelector("takeShape:", plain.get()); }),
              NSInvalidArgumentException);
    shape->performSelector("takeObject:", plain.get());
    EXPECT_EQ(shape->mTaken, plain.get());
    EXPECT_EQ(exceptionName([&] { shape->performSelector("explode:", plain.get()); }),
              NSInvalidArgumentException);
}

} // namespace

#include "ObjectModelTest.moc"
