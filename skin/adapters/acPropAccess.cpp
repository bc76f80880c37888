#include "acPropAccess.h"

#include <algorithm>

namespace {

const TPropInfo* PropOfKind(TPersistent* Obj, std::string_view Name, TPropInfo::TKind Kind) {
    const TPropInfo* p = FindFormProperty(Obj, Name);
    return p && p->Kind == Kind ? p : nullptr;
}

}  // namespace

bool HasPublishedProp(TPersistent* Obj, std::string_view Name) { return FindFormProperty(Obj, Name) != nullptr; }

bool GetColorProp(TPersistent* Obj, std::string_view Name, TColor& Value) {
    const TPropInfo* p = PropOfKind(Obj, Name, TPropInfo::Value);
    if (!p || !p->Get) return false;
    TFormValue v = p->Get(Obj);
    if (v.Type != TValueType::Integer && v.Type != TValueType::Ident) return false;
    Value = FormDetail::ColorOf(p->Name, v);
    return true;
}

bool SetColorProp(TPersistent* Obj, std::string_view Name, TColor Value) {
    const TPropInfo* p = PropOfKind(Obj, Name, TPropInfo::Value);
    if (!p || !p->Set) return false;
    p->Set(Obj, FormDetail::ColorValue(Value));
    return true;
}

bool GetIntProp(TPersistent* Obj, std::string_view Name, int& Value) {
    const TPropInfo* p = PropOfKind(Obj, Name, TPropInfo::Value);
    if (!p || !p->Get) return false;
    TFormValue v = p->Get(Obj);
    if (v.Type != TValueType::Integer) return false;
    Value = static_cast<int>(v.Int);
    return true;
}

TPersistent* GetObjectProp(TPersistent* Obj, std::string_view Name) {
    const TPropInfo* p = PropOfKind(Obj, Name, TPropInfo::Object);
    return p && p->GetObject ? p->GetObject(Obj) : nullptr;
}

bool GetFontColorProp(TPersistent* Obj, std::string_view Name, TColor& Value) {
    auto* font = dynamic_cast<TFont*>(GetObjectProp(Obj, Name));
    if (!font) return false;
    Value = font->Color();
    return true;
}

bool SetFontColorProp(TPersistent* Obj, std::string_view Name, TColor Value) {
    auto* font = dynamic_cast<TFont*>(GetObjectProp(Obj, Name));
    if (!font) return false;
    font->SetColor(Value);
    return true;
}

bool GetSetProp(TPersistent* Obj, std::string_view Name, std::vector<std::string>& Members) {
    const TPropInfo* p = PropOfKind(Obj, Name, TPropInfo::Value);
    if (!p || !p->Get) return false;
    TFormValue v = p->Get(Obj);
    if (v.Type != TValueType::Set) return false;
    Members = v.Members;
    return true;
}

bool SetSetProp(TPersistent* Obj, std::string_view Name, const std::vector<std::string>& Members) {
    const TPropInfo* p = PropOfKind(Obj, Name, TPropInfo::Value);
    if (!p || !p->Set) return false;
    TFormValue v;
    v.Type = TValueType::Set;
    v.Members = Members;
    p->Set(Obj, v);
    return true;
}

std::vector<TPersistent*> GetCollectionItems(TPersistent* Obj, std::string_view Name) {
    std::vector<TPersistent*> items;
    const TPropInfo* p = PropOfKind(Obj, Name, TPropInfo::Collection);
    if (!p || !p->Count || !p->Item) return items;
    int n = p->Count(Obj);
    for (int i = 0; i < n; ++i) items.push_back(p->Item(Obj, i));
    return items;
}

bool GetEventAssigned(TPersistent* Obj, std::string_view Name, bool& Assigned) {
    const TPropInfo* p = PropOfKind(Obj, Name, TPropInfo::Event);
    if (!p || !p->Assigned) return false;
    Assigned = p->Assigned(Obj);
    return true;
}

std::any GetEventHandler(TPersistent* Obj, std::string_view Name) {
    const TPropInfo* p = PropOfKind(Obj, Name, TPropInfo::Event);
    return p && p->GetHandler ? p->GetHandler(Obj) : std::any();
}

bool SetEventHandler(TPersistent* Obj, std::string_view Name, const std::any& Handler) {
    const TPropInfo* p = PropOfKind(Obj, Name, TPropInfo::Event);
    return p && p->SetHandler && p->SetHandler(Obj, Handler);
}
