#pragma once
// The rich edit: a memo over the system's rich text control, whose text keeps its own colours and fonts and is
// saved and loaded as rich text (RTF).
#include "StdCtrls.h"

#include <windows.h>
#include <richedit.h>

#include <memory>
#include <string>

class TCustomRichEdit;

enum TAttributeType { atSelected, atDefaultText };

// Character attributes of a rich edit: those of the selection (with nothing selected, of the text inserted at the
// caret next), or the control's defaults. Reading asks the control each time; the control's window is made when
// needed.
class TTextAttributes : public TPersistent {
    CLASS_INFO(TTextAttributes, TPersistent)
public:
    TTextAttributes(TCustomRichEdit* AOwner, TAttributeType AttributeType)
        : FRichEdit(AOwner), FType(AttributeType) {}

    // clWindowText stands for the control's automatic text colour, the one the system's colour scheme gives.
    TColor Color() const;
    void SetColor(TColor Value);
    std::string Name() const;
    void SetName(const std::string& Value);
    // In points.
    int Size() const;
    void SetSize(int Value);
    // In pixels, negative as a font's Height: the character height without the internal leading.
    int Height() const;
    void SetHeight(int Value);
    TFontStyles Style() const;
    void SetStyle(TFontStyles Value);
    TFontCharset Charset() const;
    void SetCharset(TFontCharset Value);
    // Takes the values of a font or of other attributes.
    void Assign(TPersistent* Source) override;

protected:
    // Gives a font these values.
    void AssignTo(TPersistent* Dest) override;

private:
    CHARFORMAT2W Get() const;
    void Set(CHARFORMAT2W& Attributes);
    TCustomRichEdit* FRichEdit;
    TAttributeType FType;
};

// The lines of a rich edit: as a memo's, and saved and loaded as rich text (plain text with PlainText set).
class TRichEditStrings : public TMemoStrings {
    CLASS_INFO(TRichEditStrings, TMemoStrings)
public:
    explicit TRichEditStrings(TCustomRichEdit* RichEdit);
    // Writes the whole text as RTF (or as plain text in the code page with CR LF line ends); raises EWriteError
    // when the control or the stream fails.
    void SaveToStream(TStream* Stream) override;
    // Replaces the text with the stream's rest: RTF when it starts as RTF does (and PlainText is off), else plain
    // text.
    void LoadFromStream(TStream* Stream) override;

private:
    TCustomRichEdit* FRichEdit;
};

// A memo over the system's rich text control ("RichEdit20W" of riched20.dll), with no limit on its text short of
// two thousand million characters.
class TCustomRichEdit : public TCustomMemo {
    CLASS_INFO(TCustomRichEdit, TCustomMemo)
public:
    explicit TCustomRichEdit(TComponent* AOwner);
    ~TCustomRichEdit() override;

    TTextAttributes* SelAttributes() const { return FSelAttributes.get(); }
    void SetSelAttributes(TTextAttributes* Value) { FSelAttributes->Assign(Value); }
    TTextAttributes* DefAttributes() const { return FDefAttributes.get(); }
    void SetDefAttributes(TTextAttributes* Value) { FDefAttributes->Assign(Value); }
    // Lines are saved and loaded as plain text instead of RTF.
    bool PlainText() const { return FPlainText; }
    void SetPlainText(bool Value) { FPlainText = Value; }
    // The selected text, line breaks as CR LF.
    std::string SelText() override;
    // The number of characters, each line break counted once: the position after the last character.
    int GetTextLen();
    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnSelectionChange;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    // Keeps the rich text (colours and fonts too) while the window is made anew.
    void DestroyWnd() override;
    virtual void SelectionChange();

private:
    friend class TRichEditStrings;
    // The text in or out through EM_STREAMIN or EM_STREAMOUT as Kind (SF_RTF or SF_TEXT).
    void StreamIn(const std::string& Data, UINT Kind);
    void StreamOut(TStream* Stream, UINT Kind);
    void ApplyColor();

    std::unique_ptr<TTextAttributes> FSelAttributes;
    std::unique_ptr<TTextAttributes> FDefAttributes;
    bool FPlainText = false;
    std::unique_ptr<std::string> FSavedRichText;
};

class TRichEdit : public TCustomRichEdit {
    CLASS_INFO(TRichEdit, TCustomRichEdit)
public:
    using TCustomRichEdit::TCustomRichEdit;
};
