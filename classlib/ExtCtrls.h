#pragma once
// Extra controls and components of the class library: the timer.
#include "Controls.h"

// Calls OnTimer every Interval milliseconds while Enabled, from a hidden window of the thread that made it.
class TTimer : public TComponent {
    CLASS_INFO(TTimer, TComponent)
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    bool Enabled() const { return FEnabled; }
    // Starts or stops the timer; enabling a running timer changes nothing (its period is not restarted).
    void SetEnabled(bool value);
    unsigned Interval() const { return FInterval; }
    // A new interval restarts the period; 0 stops the timer.
    void SetInterval(unsigned value);

    TNotifyEvent OnTimer;

protected:
    virtual void Timer();

private:
    void WndProc(TMessage& Message);
    void UpdateTimer();
    HWND FWindowHandle = nullptr;
    unsigned FInterval = 1000;
    bool FEnabled = true;
};
