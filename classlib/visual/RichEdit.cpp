#include "RichEdit.h"

#include "classlib/runtime/FormResources.h"
#include "classlib/runtime/Streams.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace {

// The most a rich edit takes: without it the control stops at 32767 characters and drops the rest.
constexpr LPARAM LargestText = 0x7FFFFFF0;
constexpr UINT Twips = 1440;  // per inch

// The module stays loaded for the program's life: windows of its class may live until the end.
void LoadRichEditModule() {
    static HMODULE module = nullptr;
    if (module)
        return;
    module = LoadLibraryW(L"riched20.dll");
    if (!module)
        RaiseLastOSError("LoadLibraryW(riched20.dll)");
}

// What a stream callback of the control hands over: the class library's stream, and the error that stopped it.
struct TStreamCookie {
    TStream* Stream = nullptr;
    const std::string* Data = nullptr;
    size_t Position = 0;
    std::exception_ptr Error;
};

DWORD CALLBACK StreamOutCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* written) {
    auto* c = reinterpret_cast<TStreamCookie*>(cookie);
    try {
        c->Stream->WriteBuffer(buffer, count);
        *written = count;
        return 0;
    } catch (...) {
        // Handed back to the caller of EM_STREAMOUT; a non-zero answer makes the control stop.
        c->Error = std::current_exception();
        *written = 0;
        return 1;
    }
}

DWORD CALLBACK StreamInCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* read) {
    auto* c = reinterpret_cast<TStreamCookie*>(cookie);
    size_t n = std::min(static_cast<size_t>(std::max<LONG>(count, 0)), c->Data->size() - c->Position);
    std::memcpy(buffer, c->Data->data() + c->Position, n);
    c->Position += n;
    *read = static_cast<LONG>(n);
    return 0;
}

bool LooksLikeRichText(const std::string& data) { return data.rfind("{\\rtf", 0) == 0; }

}  // namespace

// --- TTextAttributes ---

CHARFORMAT2W TTextAttributes::Get() const {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(FRichEdit->Handle(), EM_GETCHARFORMAT, FType == atSelected ? SCF_SELECTION : SCF_DEFAULT,
                 reinterpret_cast<LPARAM>(&format));
    return format;
}

void TTextAttributes::Set(CHARFORMAT2W& Attributes) {
    Attributes.cbSize = sizeof Attributes;
    if (!SendMessageW(FRichEdit->Handle(), EM_SETCHARFORMAT, FType == atSelected ? SCF_SELECTION : SCF_DEFAULT,
                      reinterpret_cast<LPARAM>(&Attributes)))
        throw EInvalidOperation("The rich edit " + FRichEdit->Name() + " refused the character attributes");
}

TColor TTextAttributes::Color() const {
    CHARFORMAT2W f = Get();
    return (f.dwEffects & CFE_AUTOCOLOR) ? clWindowText : static_cast<TColor>(f.crTextColor);
}

void TTextAttributes::SetColor(TColor Value) {
    CHARFORMAT2W f{};
    f.dwMask = CFM_COLOR;
    if (Value == clWindowText)
        f.dwEffects = CFE_AUTOCOLOR;
    else
        f.crTextColor = static_cast<COLORREF>(ColorToRGB(Value));
    Set(f);
}

std::string TTextAttributes::Name() const { return WideToAnsi(Get().szFaceName); }

void TTextAttributes::SetName(const std::string& Value) {
    CHARFORMAT2W f{};
    f.dwMask = CFM_FACE;
    std::wstring name = AnsiToWide(Value);
    name.resize(std::min<size_t>(name.size(), LF_FACESIZE - 1));
    std::copy(name.begin(), name.end(), f.szFaceName);
    Set(f);
}

int TTextAttributes::Size() const { return Get().yHeight / 20; }

void TTextAttributes::SetSize(int Value) {
    CHARFORMAT2W f{};
    f.dwMask = CFM_SIZE;
    f.yHeight = Value * 20;
    Set(f);
}

int TTextAttributes::Height() const {
    return -MulDiv(Get().yHeight, TFont::ScreenPixelsPerInch(), static_cast<int>(Twips));
}

void TTextAttributes::SetHeight(int Value) {
    CHARFORMAT2W f{};
    f.dwMask = CFM_SIZE;
    f.yHeight = MulDiv(std::abs(Value), static_cast<int>(Twips), TFont::ScreenPixelsPerInch());
    Set(f);
}

TFontStyles TTextAttributes::Style() const {
    CHARFORMAT2W f = Get();
    TFontStyles s;
    if (f.dwEffects & CFE_BOLD)
        s.Include(fsBold);
    if (f.dwEffects & CFE_ITALIC)
        s.Include(fsItalic);
    if (f.dwEffects & CFE_UNDERLINE)
        s.Include(fsUnderline);
    if (f.dwEffects & CFE_STRIKEOUT)
        s.Include(fsStrikeOut);
    return s;
}

void TTextAttributes::SetStyle(TFontStyles Value) {
    CHARFORMAT2W f{};
    f.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    if (Value.Contains(fsBold))
        f.dwEffects |= CFE_BOLD;
    if (Value.Contains(fsItalic))
        f.dwEffects |= CFE_ITALIC;
    if (Value.Contains(fsUnderline))
        f.dwEffects |= CFE_UNDERLINE;
    if (Value.Contains(fsStrikeOut))
        f.dwEffects |= CFE_STRIKEOUT;
    Set(f);
}

TFontCharset TTextAttributes::Charset() const { return Get().bCharSet; }

void TTextAttributes::SetCharset(TFontCharset Value) {
    CHARFORMAT2W f{};
    f.dwMask = CFM_CHARSET;
    f.bCharSet = Value;
    Set(f);
}

void TTextAttributes::Assign(TPersistent* Source) {
    if (auto* font = dynamic_cast<TFont*>(Source)) {
        SetColor(font->Color());
        SetName(font->Name());
        SetHeight(font->Height());
        SetStyle(font->Style());
        SetCharset(font->Charset());
        return;
    }
    if (auto* other = dynamic_cast<TTextAttributes*>(Source)) {
        CHARFORMAT2W f = other->Get();
        f.dwMask = CFM_COLOR | CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT |
                   CFM_CHARSET;
        Set(f);
        return;
    }
    TPersistent::Assign(Source);
}

void TTextAttributes::AssignTo(TPersistent* Dest) {
    if (auto* font = dynamic_cast<TFont*>(Dest)) {
        font->SetColor(Color());
        font->SetName(Name());
        font->SetHeight(Height());
        font->SetStyle(Style());
        font->SetCharset(Charset());
        return;
    }
    TPersistent::AssignTo(Dest);
}

// --- TRichEditStrings ---

TRichEditStrings::TRichEditStrings(TCustomRichEdit* RichEdit) : TMemoStrings(RichEdit), FRichEdit(RichEdit) {}

void TRichEditStrings::SaveToStream(TStream* Stream) {
    FRichEdit->StreamOut(Stream, FRichEdit->PlainText() ? SF_TEXT : SF_RTF);
}

void TRichEditStrings::LoadFromStream(TStream* Stream) {
    long long size = Stream->Size() - Stream->Position();
    std::string data(static_cast<size_t>(std::max(size, 0LL)), '\0');
    if (!data.empty())
        Stream->ReadBuffer(data.data(), static_cast<long>(data.size()));
    FRichEdit->StreamIn(data, !FRichEdit->PlainText() && LooksLikeRichText(data) ? SF_RTF : SF_TEXT);
}

// --- TCustomRichEdit ---

TCustomRichEdit::TCustomRichEdit(TComponent* AOwner)
    : TCustomMemo(AOwner),
      FSelAttributes(std::make_unique<TTextAttributes>(this, atSelected)),
      FDefAttributes(std::make_unique<TTextAttributes>(this, atDefaultText)) {
    FLines = std::make_unique<TRichEditStrings>(this);
}

TCustomRichEdit::~TCustomRichEdit() = default;

void TCustomRichEdit::CreateParams(TCreateParams& Params) {
    LoadRichEditModule();
    TCustomMemo::CreateParams(Params);
    // The wide class: text the code page cannot hold survives only there (the ANSI class turns it into '?' for
    // every Unicode caller).
    CreateSubClass(Params, "RichEdit20W");
}

void TCustomRichEdit::CreateWnd() {
    TCustomMemo::CreateWnd();
    SendMessageW(FHandle, EM_EXLIMITTEXT, 0, FMaxLength > 0 ? FMaxLength : LargestText);
    // No target device: 0 wraps at the window's width, 1 never wraps.
    SendMessageW(FHandle, EM_SETTARGETDEVICE, 0, WordWrap() ? 0 : 1);
    SendMessageW(FHandle, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
    ApplyColor();
    FDefAttributes->Assign(FFont.get());
    if (FSavedRichText) {
        std::unique_ptr<std::string> saved = std::move(FSavedRichText);
        StreamIn(*saved, SF_RTF);
    }
}

void TCustomRichEdit::DestroyWnd() {
    if (FHandle && !Destroying()) {
        TStringStream saved;
        StreamOut(&saved, SF_RTF);
        FSavedRichText = std::make_unique<std::string>(saved.DataString());
    }
    TCustomMemo::DestroyWnd();
}

void TCustomRichEdit::ApplyColor() {
    if (FHandle)
        SendMessageW(FHandle, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(ColorToRGB(FColor)));
}

void TCustomRichEdit::StreamIn(const std::string& Data, UINT Kind) {
    TStreamCookie cookie;
    cookie.Data = &Data;
    EDITSTREAM es{};
    es.dwCookie = reinterpret_cast<DWORD_PTR>(&cookie);
    es.pfnCallback = StreamInCallback;
    SendMessageW(Handle(), EM_STREAMIN, Kind, reinterpret_cast<LPARAM>(&es));
    if (es.dwError)
        throw EReadError(Kind == SF_RTF ? "The rich edit " + Name() + " could not read the rich text"
                                        : "The rich edit " + Name() + " could not read the text");
}

void TCustomRichEdit::StreamOut(TStream* Stream, UINT Kind) {
    TStreamCookie cookie;
    cookie.Stream = Stream;
    EDITSTREAM es{};
    es.dwCookie = reinterpret_cast<DWORD_PTR>(&cookie);
    es.pfnCallback = StreamOutCallback;
    SendMessageW(Handle(), EM_STREAMOUT, Kind, reinterpret_cast<LPARAM>(&es));
    if (cookie.Error)
        std::rethrow_exception(cookie.Error);
    if (es.dwError)
        throw EWriteError(Format("The rich edit %s could not write its text (error %lu)", Name().c_str(),
                                 static_cast<unsigned long>(es.dwError)));
}

std::string TCustomRichEdit::SelText() {
    CHARRANGE range{};
    SendMessageW(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    std::wstring text(static_cast<size_t>(std::max<LONG>(range.cpMax - range.cpMin, 0)) + 1, L'\0');
    LRESULT n = SendMessageW(FHandle, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::clamp<LRESULT>(n, 0, static_cast<LRESULT>(text.size()) - 1)));
    // The control ends its lines with a lone CR.
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        out += c;
        if (c == L'\r')
            out += L'\n';
    }
    return WideToAnsi(out);
}

int TCustomRichEdit::GetTextLen() {
    GETTEXTLENGTHEX query{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<int>(SendMessageW(Handle(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0));
}

void TCustomRichEdit::SelectionChange() {
    if (OnSelectionChange)
        OnSelectionChange(this);
}

void TCustomRichEdit::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case EM_SETLIMITTEXT:
        // The edit's limit message stops a rich edit at 64K for 0; here 0 means no limit, as for edits.
        Message.Msg = EM_EXLIMITTEXT;
        Message.LParam = Message.WParam ? static_cast<LPARAM>(Message.WParam) : LargestText;
        Message.WParam = 0;
        break;
    case CN_NOTIFY:
        if (reinterpret_cast<NMHDR*>(Message.LParam)->code == EN_SELCHANGE) {
            SelectionChange();
            return;
        }
        break;
    case CM_COLORCHANGED:
        TCustomMemo::Dispatch(Message);
        ApplyColor();
        return;
    case CM_FONTCHANGED:
        TCustomMemo::Dispatch(Message);
        if (FHandle)
            FDefAttributes->Assign(FFont.get());
        return;
    }
    TCustomMemo::Dispatch(Message);
}

// --- form storage ---

namespace {

const bool RichEditRegistered = [] {
    RegisterFormClass<TCustomRichEdit>([](TFormClass<TCustomRichEdit>& c) {
        c.Boolean("PlainText", &TCustomRichEdit::PlainText, &TCustomRichEdit::SetPlainText).Default(false);
        c.Event("OnSelectionChange", &TCustomRichEdit::OnSelectionChange);
    });
    RegisterFormClass<TRichEdit>();
    return true;
}();

}  // namespace
