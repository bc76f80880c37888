#include "ExtCtrls.h"

#include "FormResources.h"
#include "Forms.h"
#include "MessageWindow.h"

namespace {
constexpr UINT_PTR TimerId = 1;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    FWindowHandle = AllocateHWnd(TWndMethod(this, &TTimer::WndProc));
    UpdateTimer();
}

TTimer::~TTimer() {
    KillTimer(FWindowHandle, TimerId);
    DeallocateHWnd(FWindowHandle);
}

void TTimer::SetEnabled(bool value) {
    if (value == FEnabled)
        return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
    if (value == FInterval)
        return;
    FInterval = value;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    KillTimer(FWindowHandle, TimerId);
    if (FInterval != 0 && FEnabled && !SetTimer(FWindowHandle, TimerId, FInterval, nullptr))
        throw EOutOfResources("Not enough timers available");
}

void TTimer::Timer() {
    if (OnTimer)
        OnTimer(this);
}

void TTimer::WndProc(TMessage& Message) {
    if (Message.Msg != WM_TIMER) {
        DefaultHandler(FWindowHandle, Message);
        return;
    }
    try {
        Timer();
    } catch (...) {
        Application->HandleException(this);
    }
}

namespace {
const bool ExtCtrlsRegistered = [] {
    RegisterFormClass<TTimer>([](TFormClass<TTimer>& c) {
        c.Boolean("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
        c.Integer("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000u);
        c.Event("OnTimer", &TTimer::OnTimer);
    });
    return true;
}();
}  // namespace
