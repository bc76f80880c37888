#pragma once
// The skin manager's animation settings: which button events animate, and which form, dialog, page and
// skin-change animations run and for how long.
#include "sConst.h"

#include "classlib/runtime/Component.h"

#include <cstdint>
#include <memory>

class TsSkinManager;

// The button events that animate.
class TacBtnEffects : public TPersistent {
    CLASS_INFO(TacBtnEffects, TPersistent)
public:
    explicit TacBtnEffects(TsSkinManager* Manager) : FManager(Manager) {}
    void Assign(TPersistent* Source) override;
    TacBtnEvents Events() const { return FEvents; }
    void SetEvents(TacBtnEvents Value) { FEvents = Value; }
    TsSkinManager* Manager() const { return FManager; }

private:
    TacBtnEvents FEvents = {beMouseEnter, beMouseLeave, beMouseDown, beMouseUp};
    TsSkinManager* FManager;
};

// One animation: on or off, and its length in milliseconds.
class TacFormAnimation : public TPersistent {
    CLASS_INFO(TacFormAnimation, TPersistent)
public:
    TacFormAnimation() = default;
    void Assign(TPersistent* Source) override;
    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    uint16_t Time() const { return FTime; }
    void SetTime(uint16_t Value) { FTime = Value; }

protected:
    explicit TacFormAnimation(uint16_t Time) : FTime(Time) {}

private:
    bool FActive = true;
    uint16_t FTime = 0;
};

class TacFormShow : public TacFormAnimation {
    CLASS_INFO(TacFormShow, TacFormAnimation)
};

class TacPageChange : public TacFormAnimation {
    CLASS_INFO(TacPageChange, TacFormAnimation)
};

class TacDialogShow : public TacFormAnimation {
    CLASS_INFO(TacDialogShow, TacFormAnimation)
};

// The fade of every skinned form from its old look to the new one when the skin changes (100 ms by default).
class TacSkinChanging : public TacFormAnimation {
    CLASS_INFO(TacSkinChanging, TacFormAnimation)
public:
    TacSkinChanging() : TacFormAnimation(100) {}
};

class TacAnimEffects : public TPersistent {
    CLASS_INFO(TacAnimEffects, TPersistent)
public:
    explicit TacAnimEffects(TsSkinManager* Manager);
    ~TacAnimEffects() override;
    void Assign(TPersistent* Source) override;

    TacBtnEffects* Buttons() const { return FButtons.get(); }
    TacDialogShow* DialogShow() const { return FDialogShow.get(); }
    TacFormShow* FormShow() const { return FFormShow.get(); }
    TacSkinChanging* SkinChanging() const { return FSkinChanging.get(); }
    TacPageChange* PageChange() const { return FPageChange.get(); }
    TsSkinManager* Manager() const { return FManager; }

private:
    TsSkinManager* FManager;
    std::unique_ptr<TacBtnEffects> FButtons;
    std::unique_ptr<TacDialogShow> FDialogShow;
    std::unique_ptr<TacFormShow> FFormShow;
    std::unique_ptr<TacSkinChanging> FSkinChanging;
    std::unique_ptr<TacPageChange> FPageChange;
};
