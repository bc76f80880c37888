// The method closure that WindowProc is made of: callable, and equal exactly when object and member are.
#include "classlib/runtime/Messages.h"

#include <gtest/gtest.h>

namespace {

struct Base {
    virtual ~Base() = default;
    virtual void Handle(TMessage& m) { m.Result = 1; }
    void Other(TMessage& m) { m.Result = 2; }
};

struct Derived : Base {
    void Handle(TMessage& m) override { m.Result = 10; }
};

}  // namespace

TEST(MethodClosure, CallsTheMemberOnTheObject) {
    Derived d;
    TWndMethod method(&d, &Derived::Other);
    TMessage m{WM_NULL, 0, 0, 0};
    method(m);
    EXPECT_EQ(m.Result, 2);
}

TEST(MethodClosure, AVirtualMemberDispatchesToTheOverride) {
    Derived d;
    TWndMethod method(&d, &Base::Handle);
    TMessage m;
    method(m);
    EXPECT_EQ(m.Result, 10);
}

TEST(MethodClosure, IsEqualOnlyForTheSameObjectAndMember) {
    Derived a, b;
    EXPECT_EQ(TWndMethod(&a, &Base::Handle), TWndMethod(&a, &Base::Handle));
    EXPECT_FALSE(TWndMethod(&a, &Base::Handle) == TWndMethod(&b, &Base::Handle));
    EXPECT_FALSE(TWndMethod(&a, &Base::Handle) == TWndMethod(&a, &Base::Other));
    EXPECT_FALSE(TWndMethod(&a, &Base::Handle) == TWndMethod());
}

TEST(MethodClosure, AnEmptyClosureRaisesWhenCalled) {
    TWndMethod empty;
    TMessage m;
    EXPECT_FALSE(static_cast<bool>(empty));
    EXPECT_THROW(empty(m), EInvalidOperation);
}

TEST(MessageNumbers, AreTheClassLibrarysOwn) {
    EXPECT_EQ(CM_FOCUSCHANGED, 0xB007u);
    EXPECT_EQ(CM_VISIBLECHANGED, 0xB00Bu);
    EXPECT_EQ(CM_ENABLEDCHANGED, 0xB00Cu);
    EXPECT_EQ(CM_COLORCHANGED, 0xB00Du);
    EXPECT_EQ(CM_FONTCHANGED, 0xB00Eu);
    EXPECT_EQ(CM_MOUSEENTER, 0xB013u);
    EXPECT_EQ(CM_MOUSELEAVE, 0xB014u);
    EXPECT_EQ(CM_MENUCHANGED, 0xB015u);
    EXPECT_EQ(CM_SHOWINGCHANGED, 0xB019u);
    EXPECT_EQ(CM_CONTROLLISTCHANGE, 0xB02Cu);
    EXPECT_EQ(CM_MOUSEWHEEL, 0xB043u);
    EXPECT_EQ(CN_NOTIFY, 0xBC4Eu);
    EXPECT_EQ(CN_KEYDOWN, 0xBD00u);
    EXPECT_EQ(CN_KEYUP, 0xBD01u);
}
