#pragma once
// The skin provider of a form and the settings objects it publishes for its title bar.
#include "classlib/Collections.h"
#include "classlib/Controls.h"
#include "classlib/Graphics.h"

#include <windows.h>

#include <memory>
#include <string>

// --- title icon and extra title buttons ---

// The icon a skinned form shows in its caption instead of the form's own icon, with the size to draw it at.
class TsTitleIcon : public TPersistent {
    CLASS_INFO(TsTitleIcon, TPersistent)
public:
    TsTitleIcon();
    ~TsTitleIcon() override;
    TsTitleIcon(const TsTitleIcon&) = delete;
    TsTitleIcon& operator=(const TsTitleIcon&) = delete;

    TBitmap* Glyph() const { return FGlyph.get(); }
    // Copies Value; the caller keeps its own bitmap.
    void SetGlyph(TBitmap* Value) { FGlyph->Assign(Value); }
    int Height() const { return FHeight; }
    void SetHeight(int Value) { FHeight = Value; }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }

private:
    std::unique_ptr<TBitmap> FGlyph;
    int FHeight = 0;
    int FWidth = 0;
};

// One extra button in a skinned form's caption; the provider places, paints and hit-tests it, the application
// gets its mouse events.
class TsTitleButton : public TCollectionItem {
    CLASS_INFO(TsTitleButton, TCollectionItem)
public:
    TsTitleButton();
    ~TsTitleButton() override;

    // Draw with the skin's "TITLEBUTTON" section rather than plain.
    bool UseSkinData() const { return FUseSkinData; }
    void SetUseSkinData(bool Value) { FUseSkinData = Value; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value);
    TBitmap* Glyph() const { return FGlyph.get(); }
    // Copies Value; the caller keeps its own bitmap.
    void SetGlyph(TBitmap* Value) { FGlyph->Assign(Value); }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }

    std::string DisplayName() const override { return FName; }
    void SetDisplayName(const std::string& Value) override { SetName(Value); }

    TMouseEvent OnMouseUp;
    TMouseEvent OnMouseDown;

    // Called by the provider from its non-client mouse handling; each calls its event with this button as Sender.
    void DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

    // The provider's run-time state of the button, written and read only by the provider: where it lies in the
    // window (window coordinates) and whether the mouse is over it or holds it down.
    RECT BtnRect{};
    bool HotState = false;
    bool Pressed = false;

private:
    bool FUseSkinData = true;
    std::string FName;
    std::unique_ptr<TBitmap> FGlyph;
    bool FEnabled = true;
};

// The extra title buttons of a skinned form, owned by its provider.
class TsTitleButtons : public TCollection {
    CLASS_INFO(TsTitleButtons, TCollection)
public:
    explicit TsTitleButtons(TPersistent* AOwner);
    ~TsTitleButtons() override;

    TPersistent* GetOwner() override { return FOwner; }
    TsTitleButton* Items(int Index) const { return static_cast<TsTitleButton*>(TCollection::Items(Index)); }
    TsTitleButton* Add() { return static_cast<TsTitleButton*>(TCollection::Add()); }

private:
    TPersistent* FOwner;
};
