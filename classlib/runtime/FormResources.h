#pragma once
// Form resources: the text description of a form and its components, read into live objects when a
// form is created and written back from them.
//
// A class makes itself known to forms once, next to its definition:
//
//     static const bool registered = RegisterFormClass<TPanel>([](TFormClass<TPanel>& c) {
//         c.Integer("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth).Default(1);
//         c.Enum("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter, {"bvNone", "bvLowered", "bvRaised"});
//         c.Event("OnResize", &TPanel::OnResize);
//     });
//
// Tables chain along the class's ancestors (CLASS_INFO), so TPanel lists only what TPanel adds. A form
// class lists, besides its properties, the fields that receive its components and the methods its
// events bind to by name:
//
//     c.Field("Log", &TfrmMain::Log);
//     c.Method("FormCreate", &TfrmMain::FormCreate);
#include "Component.h"
#include "Streams.h"

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

BRIMLET_EXCEPTION(EParserError, Exception);
BRIMLET_EXCEPTION(EClassNotFound, Exception);

// --- the text format ---

enum class TValueType { Null, Integer, Float, String, Ident, Set, List, Collection, Binary };

struct TFormProperty;

// One value of the text format, as written: 12, 1.5, 'text', clRed, [a, b], ( ... ), < ... >, { ... }.
struct TFormValue {
    TValueType Type = TValueType::Null;
    long long Int = 0;
    double Float = 0;
    std::string Str;                                     // String and Ident
    std::vector<std::string> Members;                    // Set
    std::vector<TFormValue> Items;                       // List
    std::vector<std::vector<TFormProperty>> Collection;  // Collection: the properties of each item
    std::vector<uint8_t> Binary;                         // Binary

    static TFormValue Integer(long long v);
    static TFormValue FloatValue(double v);
    static TFormValue String(std::string v);
    static TFormValue Ident(std::string v);
    bool operator==(const TFormValue&) const;
};

// "Font.Style = [fsBold]": the name may be a dotted path into nested objects.
struct TFormProperty {
    std::string Name;
    TFormValue Value;
    bool operator==(const TFormProperty&) const = default;
};

// "object Log: TMemo ... end".
struct TFormObject {
    std::string Name;
    std::string ClassName;
    std::vector<TFormProperty> Properties;
    std::vector<TFormObject> Children;
    bool operator==(const TFormObject&) const = default;
};

// Raises EParserError naming the line for text that is not a form description.
TFormObject ParseFormText(std::string_view Text);
// The text of a description; ParseFormText of it gives the same description back, and the text of
// a parsed writer's text is that text again.
std::string FormatFormText(const TFormObject& Object);

// --- reading and writing defined properties ---

class TReader;
class TWriter;
using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;
using TStreamProc = std::function<void(TStream* Stream)>;

// Handed to DefineProperties: the object declares the stream data it keeps besides its table properties.
class TFiler : public TObject {
    CLASS_INFO(TFiler, TObject)
public:
    // A property read and written as one value (or a list) through the reader and writer.
    virtual void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                                bool HasData) = 0;
    // A property of raw bytes, written in hexadecimal.
    virtual void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                                      bool HasData) = 0;
    // The form being read or written.
    TComponent* Root() const { return FRoot; }

protected:
    TComponent* FRoot = nullptr;
};

// Reads a form description into objects; DefineProperty handlers read their value through it.
class TReader : public TFiler {
    CLASS_INFO(TReader, TFiler)
public:
    void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                              bool HasData) override;

    // The next value of the property being read; each raises EReadError when the value has another type.
    TValueType NextValue() const;
    long long ReadInteger();
    double ReadFloat();
    std::string ReadString();
    std::string ReadIdent();
    bool ReadBoolean();
    // A list: ReadListBegin, then values until EndOfList, then ReadListEnd.
    void ReadListBegin();
    bool EndOfList() const;
    void ReadListEnd();

private:
    friend class TFormLoader;
    const TFormValue& Take();
    std::string FPropName;            // the defined property asked for
    const TFormValue* FValue = nullptr;
    bool FFound = false;
    std::vector<std::pair<const TFormValue*, size_t>> FLists;  // open lists and the next item of each
    bool FTaken = false;
};

// Writes objects as a form description; DefineProperty handlers write their value through it.
class TWriter : public TFiler {
    CLASS_INFO(TWriter, TFiler)
public:
    void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                              bool HasData) override;

    void WriteInteger(long long Value);
    void WriteFloat(double Value);
    void WriteString(const std::string& Value);
    void WriteIdent(const std::string& Value);
    void WriteBoolean(bool Value);
    void WriteListBegin();
    void WriteListEnd();

private:
    friend class TFormSaver;
    void Put(TFormValue value);
    std::string FPrefix;
    std::vector<TFormProperty>* FOut = nullptr;
    std::vector<TFormValue> FStack;  // values being written; lists nest
};

// --- class tables ---

// A method of a form bound to an event; the event remembers the method's name for writing.
template <class Sig>
struct TBoundMethod;
template <class R, class... Args>
struct TBoundMethod<R(Args...)> {
    std::string Name;
    std::function<R(Args...)> Call;
    R operator()(Args... args) const { return Call(std::forward<Args>(args)...); }
};

struct TMethodBinder;

// One entry of a class's property table. Made by TFormClass; the reader and writer use it.
struct TPropInfo {
    enum TKind { Value, Object, Component, Event, Collection };
    std::string Name;
    TKind Kind = Value;
    // Value: the text value of the property, and setting it from one (raising EReadError for a bad value).
    std::function<TFormValue(TPersistent*)> Get;
    std::function<void(TPersistent*, const TFormValue&)> Set;
    // False when the property keeps its default (or is not stored) and is left out of the text.
    std::function<bool(TPersistent*)> Stored;
    // Object: the nested object whose properties follow the dot.
    std::function<TPersistent*(TPersistent*)> GetObject;
    // Component: a reference by name, resolved when all components exist.
    std::function<TComponent*(TPersistent*)> GetComponent;
    std::function<void(TPersistent*, TComponent*)> SetComponent;
    // Event: the bound method's name ("" for none or an unnamed handler), and binding one.
    std::function<std::string(TPersistent*)> GetMethodName;
    std::function<void(TPersistent*, TComponent* root, const TMethodBinder&)> BindMethod;
    // Event: whether a handler is set; the handler itself (a copy of the std::function, empty std::any for
    // none), and setting one of the event's own type (false, and nothing changed, for any other type).
    std::function<bool(TPersistent*)> Assigned;
    std::function<std::any(TPersistent*)> GetHandler;
    std::function<bool(TPersistent*, const std::any&)> SetHandler;
    // Collection: the items and how to add one.
    std::function<int(TPersistent*)> Count;
    std::function<TPersistent*(TPersistent*, int)> Item;
    std::function<TPersistent*(TPersistent*)> Add;
    std::function<void(TPersistent*)> Clear;
    std::function<void(TPersistent*, bool begin)> Update;  // BeginUpdate / EndUpdate, when the collection has them
};

// Binds an event slot of a given std::function type to a method of a root object.
struct TMethodBinder {
    std::string Name;
    // Sets *slot (a std::function of the type named by slotType) to call the method on root;
    // false when the method's signature is not the event's.
    std::function<bool(TObject* root, void* slot, const std::type_info& slotType)> Bind;
};

// A component field of a form class, set when the component of that name is created.
struct TFieldBinder {
    std::string Name;
    std::function<bool(TComponent* root, TComponent* component)> Assign;
};

struct TFormClassInfo {
    std::string ClassName;
    std::vector<std::string> Ancestors;  // the class itself first, then its parents up to TPersistent
    std::function<TComponent*(TComponent* AOwner)> Create;
    std::vector<TPropInfo> Properties;
    std::vector<TMethodBinder> Methods;
    std::vector<TFieldBinder> Fields;
    // Stream data of classes whose DefineProperties belongs to someone else (TStrings keeps "Strings").
    std::function<void(TPersistent*, TFiler*)> DefineProperties;
};

// Builds the entry just added; Default leaves a property out of the text while it has that value.
template <class T, class V>
class TPropBuilder {
public:
    TPropBuilder(TPropInfo& info, std::function<V(T*)> get) : FInfo(info), FGet(std::move(get)) {}
    TPropBuilder& Default(V value) {
        auto get = FGet;
        auto stored = FInfo.Stored;
        FInfo.Stored = [get, value, stored](TPersistent* o) {
            return !(get(static_cast<T*>(o)) == value) && (!stored || stored(o));
        };
        return *this;
    }
    // The property's only default, forgetting one the registration gave before: a string property is written
    // also when empty once its default is another text.
    TPropBuilder& DefaultInstead(V value) {
        FInfo.Stored = nullptr;
        return Default(std::move(value));
    }
    // Read but never written.
    TPropBuilder& NotStored() {
        FInfo.Stored = [](TPersistent*) { return false; };
        return *this;
    }
    // Written while fn says so (and the value is not the default).
    TPropBuilder& Stored(std::function<bool(T*)> fn) {
        auto stored = FInfo.Stored;
        FInfo.Stored = [fn, stored](TPersistent* o) { return fn(static_cast<T*>(o)) && (!stored || stored(o)); };
        return *this;
    }

private:
    TPropInfo& FInfo;
    std::function<V(T*)> FGet;
};

// Names for integer values ("DEFAULT_CHARSET", "crHandPoint"), read and written instead of the number.
using TIdentMap = std::vector<std::pair<std::string, long long>>;

namespace FormDetail {
[[noreturn]] void BadValue(const std::string& property, const TFormValue& value, const char* expected);
long long IntegerOf(const std::string& property, const TFormValue& value, const TIdentMap* idents);
std::string TextOfValue(const TFormValue& value);
TFormValue ColorValue(int32_t color);
int32_t ColorOf(const std::string& property, const TFormValue& v);
}  // namespace FormDetail

// The table of class T as its registration fills it.
template <class T>
class TFormClass {
public:
    explicit TFormClass(TFormClassInfo& info) : FInfo(info) {}

    template <class G, class S>
    auto Integer(const std::string& name, G get, S set, const TIdentMap* idents = nullptr) {
        using V = std::decay_t<std::invoke_result_t<G, T*>>;
        auto getter = [get](T* o) -> V { return std::invoke(get, o); };
        TPropInfo& p = Add(name);
        p.Get = [getter, idents](TPersistent* o) {
            auto v = static_cast<long long>(getter(static_cast<T*>(o)));
            if (idents)
                for (auto& [ident, value] : *idents)
                    if (value == v)
                        return TFormValue::Ident(ident);
            return TFormValue::Integer(v);
        };
        p.Set = [set, idents, name](TPersistent* o, const TFormValue& v) {
            std::invoke(set, static_cast<T*>(o), static_cast<V>(FormDetail::IntegerOf(name, v, idents)));
        };
        return TPropBuilder<T, V>(p, getter);
    }

    template <class G, class S>
    auto Float(const std::string& name, G get, S set) {
        using V = std::decay_t<std::invoke_result_t<G, T*>>;
        auto getter = [get](T* o) -> V { return std::invoke(get, o); };
        TPropInfo& p = Add(name);
        p.Get = [getter](TPersistent* o) { return TFormValue::FloatValue(static_cast<double>(getter(static_cast<T*>(o)))); };
        p.Set = [set, name](TPersistent* o, const TFormValue& v) {
            if (v.Type == TValueType::Float)
                std::invoke(set, static_cast<T*>(o), static_cast<V>(v.Float));
            else if (v.Type == TValueType::Integer)
                std::invoke(set, static_cast<T*>(o), static_cast<V>(v.Int));
            else
                FormDetail::BadValue(name, v, "a number");
        };
        return TPropBuilder<T, V>(p, getter);
    }

    template <class G, class S>
    auto String(const std::string& name, G get, S set) {
        auto getter = [get](T* o) -> std::string { return std::invoke(get, o); };
        TPropInfo& p = Add(name);
        p.Get = [getter](TPersistent* o) { return TFormValue::String(getter(static_cast<T*>(o))); };
        p.Set = [set, name](TPersistent* o, const TFormValue& v) {
            if (v.Type != TValueType::String)
                FormDetail::BadValue(name, v, "a string");
            std::invoke(set, static_cast<T*>(o), v.Str);
        };
        TPropBuilder<T, std::string> b(p, getter);
        b.Default(std::string());  // an empty string is not written, unless the class says otherwise
        return b;
    }

    template <class G, class S>
    auto Boolean(const std::string& name, G get, S set) {
        auto getter = [get](T* o) -> bool { return std::invoke(get, o); };
        TPropInfo& p = Add(name);
        p.Get = [getter](TPersistent* o) { return TFormValue::Ident(getter(static_cast<T*>(o)) ? "True" : "False"); };
        p.Set = [set, name](TPersistent* o, const TFormValue& v) {
            if (v.Type == TValueType::Ident && SameText(v.Str, "True"))
                std::invoke(set, static_cast<T*>(o), true);
            else if (v.Type == TValueType::Ident && SameText(v.Str, "False"))
                std::invoke(set, static_cast<T*>(o), false);
            else
                FormDetail::BadValue(name, v, "True or False");
        };
        return TPropBuilder<T, bool>(p, getter);
    }

    // One character, written as a string of one character ('A', or #17 for a control character).
    template <class G, class S>
    auto Char(const std::string& name, G get, S set) {
        auto getter = [get](T* o) -> char { return std::invoke(get, o); };
        TPropInfo& p = Add(name);
        p.Get = [getter](TPersistent* o) { return TFormValue::String(std::string(1, getter(static_cast<T*>(o)))); };
        p.Set = [set, name](TPersistent* o, const TFormValue& v) {
            if (v.Type != TValueType::String || v.Str.size() != 1)
                FormDetail::BadValue(name, v, "one character");
            std::invoke(set, static_cast<T*>(o), v.Str[0]);
        };
        return TPropBuilder<T, char>(p, getter);
    }

    // An enumeration whose values run from 0 in the order of names.
    template <class G, class S>
    auto Enum(const std::string& name, G get, S set, std::vector<std::string> names) {
        using V = std::decay_t<std::invoke_result_t<G, T*>>;
        auto getter = [get](T* o) -> V { return std::invoke(get, o); };
        TPropInfo& p = Add(name);
        p.Get = [getter, names](TPersistent* o) {
            auto i = static_cast<size_t>(getter(static_cast<T*>(o)));
            return i < names.size() ? TFormValue::Ident(names[i]) : TFormValue::Integer(static_cast<long long>(i));
        };
        p.Set = [set, names, name](TPersistent* o, const TFormValue& v) {
            if (v.Type == TValueType::Ident)
                for (size_t i = 0; i < names.size(); ++i)
                    if (SameText(v.Str, names[i])) {
                        std::invoke(set, static_cast<T*>(o), static_cast<V>(i));
                        return;
                    }
            FormDetail::BadValue(name, v, "one of its names");
        };
        return TPropBuilder<T, V>(p, getter);
    }

    // A Set<E> whose members are named in the order of names.
    template <class G, class S>
    auto SetOf(const std::string& name, G get, S set, std::vector<std::string> names) {
        using V = std::decay_t<std::invoke_result_t<G, T*>>;
        auto getter = [get](T* o) -> V { return std::invoke(get, o); };
        TPropInfo& p = Add(name);
        p.Get = [getter, names](TPersistent* o) {
            unsigned long long bits = getter(static_cast<T*>(o)).Bits();
            TFormValue v;
            v.Type = TValueType::Set;
            for (size_t i = 0; i < names.size(); ++i)
                if (bits & (1ull << i))
                    v.Members.push_back(names[i]);
            return v;
        };
        p.Set = [set, names, name](TPersistent* o, const TFormValue& v) {
            if (v.Type != TValueType::Set)
                FormDetail::BadValue(name, v, "a set");
            unsigned long long bits = 0;
            for (const std::string& m : v.Members) {
                size_t i = 0;
                while (i < names.size() && !SameText(m, names[i]))
                    ++i;
                if (i == names.size())
                    throw EReadError("Invalid property value: " + m + " is no member of " + name);
                bits |= 1ull << i;
            }
            std::invoke(set, static_cast<T*>(o), V::FromBits(bits));
        };
        return TPropBuilder<T, V>(p, getter);
    }

    // A TColor, written as its name or "$" and eight digits.
    template <class G, class S>
    auto Color(const std::string& name, G get, S set) {
        auto getter = [get](T* o) -> int32_t { return static_cast<int32_t>(std::invoke(get, o)); };
        TPropInfo& p = Add(name);
        p.Get = [getter](TPersistent* o) { return FormDetail::ColorValue(getter(static_cast<T*>(o))); };
        p.Set = [set, name](TPersistent* o, const TFormValue& v) {
            std::invoke(set, static_cast<T*>(o), FormDetail::ColorOf(name, v));
        };
        return TPropBuilder<T, int32_t>(p, getter);
    }

    // An owned nested object (Font, Constraints, Lines): its own table's properties follow the dot.
    template <class G>
    auto Object(const std::string& name, G get) {
        TPropInfo& p = Add(name);
        p.Kind = TPropInfo::Object;
        p.GetObject = [get](TPersistent* o) -> TPersistent* { return std::invoke(get, static_cast<T*>(o)); };
        return TPropBuilder<T, bool>(p, [](T*) { return true; });
    }

    // A reference to another component of the form, by name.
    template <class G, class S>
    auto Component(const std::string& name, G get, S set) {
        using P = std::decay_t<std::invoke_result_t<G, T*>>;  // pointer to the referenced class
        TPropInfo& p = Add(name);
        p.Kind = TPropInfo::Component;
        p.GetComponent = [get](TPersistent* o) -> TComponent* { return std::invoke(get, static_cast<T*>(o)); };
        p.SetComponent = [set, name](TPersistent* o, TComponent* c) {
            auto* typed = dynamic_cast<P>(c);
            if (c && !typed)
                throw EReadError("Invalid property value: " + c->Name() + " (" + c->ClassName() + ") cannot be " + name);
            std::invoke(set, static_cast<T*>(o), typed);
        };
        return TPropBuilder<T, bool>(p, [](T*) { return true; });
    }

    // An event (a std::function member), bound by name to a method of the form.
    template <class F, class C>
    auto Event(const std::string& name, F C::*member) {
        static_assert(std::is_base_of_v<C, T>);
        return EventOf<F>(name, [member](T* o) -> F& { return static_cast<C*>(o)->*member; });
    }

    // A collection: get returns an object with Count(), Items(i), Add() and Clear() (and, when it has
    // them, BeginUpdate() and EndUpdate(), which bracket the reading of all its items).
    template <class G>
    auto Collection(const std::string& name, G get) {
        TPropInfo& p = Add(name);
        p.Kind = TPropInfo::Collection;
        p.Count = [get](TPersistent* o) { return static_cast<int>(std::invoke(get, static_cast<T*>(o))->Count()); };
        p.Item = [get](TPersistent* o, int i) -> TPersistent* { return std::invoke(get, static_cast<T*>(o))->Items(i); };
        p.Add = [get](TPersistent* o) -> TPersistent* { return std::invoke(get, static_cast<T*>(o))->Add(); };
        p.Clear = [get](TPersistent* o) { std::invoke(get, static_cast<T*>(o))->Clear(); };
        p.Stored = [get](TPersistent* o) { return std::invoke(get, static_cast<T*>(o))->Count() > 0; };
        using C = std::remove_pointer_t<std::decay_t<std::invoke_result_t<G, T*>>>;
        if constexpr (requires(C* c) {
                          c->BeginUpdate();
                          c->EndUpdate();
                      })
            p.Update = [get](TPersistent* o, bool begin) {
                C* c = std::invoke(get, static_cast<T*>(o));
                if (begin)
                    c->BeginUpdate();
                else
                    c->EndUpdate();
            };
        return TPropBuilder<T, bool>(p, [](T*) { return true; });
    }

    // A component field of a form class, filled when the component of that name is read.
    template <class C>
    void Field(const std::string& name, C* T::*member) {
        FInfo.Fields.push_back({name, [member](TComponent* root, TComponent* c) {
                                    auto* typed = dynamic_cast<C*>(c);
                                    if (!typed)
                                        return false;
                                    static_cast<T*>(root)->*member = typed;
                                    return true;
                                }});
    }

    // A method of a form class that events can name.
    template <class C, class R, class... Args>
    void Method(const std::string& name, R (C::*method)(Args...)) {
        static_assert(std::is_base_of_v<C, T>);
        FInfo.Methods.push_back({name, [name, method](TObject* root, void* slot, const std::type_info& type) {
                                     using F = std::function<R(Args...)>;
                                     if (type != typeid(F))
                                         return false;
                                     C* self = static_cast<C*>(static_cast<T*>(root));
                                     *static_cast<F*>(slot) = TBoundMethod<R(Args...)>{
                                         name, [self, method](Args... args) -> R {
                                             return (self->*method)(std::forward<Args>(args)...);
                                         }};
                                     return true;
                                 }});
    }

    // Stream data for a class whose DefineProperties cannot be overridden.
    void DefineProperties(std::function<void(T*, TFiler*)> define) {
        FInfo.DefineProperties = [define](TPersistent* o, TFiler* f) { define(static_cast<T*>(o), f); };
    }

private:
    TPropInfo& Add(const std::string& name) {
        FInfo.Properties.push_back(TPropInfo{});
        FInfo.Properties.back().Name = name;
        return FInfo.Properties.back();
    }
    template <class F, class A>
    auto EventOf(const std::string& name, A access) {
        TPropInfo& p = Add(name);
        p.Kind = TPropInfo::Event;
        p.GetMethodName = [access](TPersistent* o) -> std::string {
            F& f = access(static_cast<T*>(o));
            return MethodNameOf(f);
        };
        p.BindMethod = [access, name](TPersistent* o, TComponent* root, const TMethodBinder& b) {
            F& f = access(static_cast<T*>(o));
            if (!b.Bind(root, &f, typeid(F)))
                throw EReadError("Method " + b.Name + " does not fit event " + name);
        };
        p.Assigned = [access](TPersistent* o) { return static_cast<bool>(access(static_cast<T*>(o))); };
        p.GetHandler = [access](TPersistent* o) -> std::any {
            F& f = access(static_cast<T*>(o));
            return f ? std::any(f) : std::any();
        };
        p.SetHandler = [access](TPersistent* o, const std::any& h) {
            if (h.has_value() && h.type() != typeid(F))
                return false;
            access(static_cast<T*>(o)) = h.has_value() ? std::any_cast<const F&>(h) : F();
            return true;
        };
        return TPropBuilder<T, bool>(p, [](T*) { return true; });
    }
    template <class R, class... Args>
    static std::string MethodNameOf(const std::function<R(Args...)>& f) {
        auto* bound = f.template target<TBoundMethod<R(Args...)>>();
        return bound ? bound->Name : std::string();
    }
    TFormClassInfo& FInfo;
};

namespace FormDetail {
TFormClassInfo& NewClass(const char* name, std::vector<std::string> ancestors);

template <class T>
void AncestorsOf(std::vector<std::string>& out) {
    out.push_back(T::StaticClassName());
    if constexpr (!std::is_same_v<T, TPersistent>)
        AncestorsOf<typename T::TInherited>(out);
}
}  // namespace FormDetail

// Registers class T (a TPersistent) with its property table; components become creatable by name.
// Registering a class again replaces its table. Returns true, for use in a static initialiser.
template <class T>
bool RegisterFormClass(const std::function<void(TFormClass<T>&)>& describe = {}) {
    static_assert(std::is_base_of_v<TPersistent, T>, "only persistent classes have property tables");
    std::vector<std::string> ancestors;
    FormDetail::AncestorsOf<T>(ancestors);
    TFormClassInfo& info = FormDetail::NewClass(T::StaticClassName(), std::move(ancestors));
    if constexpr (std::is_base_of_v<TComponent, T> && std::is_constructible_v<T, TComponent*>)
        info.Create = [](TComponent* owner) -> TComponent* { return new T(owner); };
    TFormClass<T> builder(info);
    if (describe)
        describe(builder);
    return true;
}

// The registered class of that name, or nullptr.
const TFormClassInfo* FindFormClass(std::string_view ClassName);
// The property of an object's class (or an ancestor's) by name, or nullptr.
const TPropInfo* FindFormProperty(TPersistent* Instance, std::string_view Name);

// How a component read inside another one is attached to it (a control gets its parent), and which
// object a component is written inside. Controls and menus register their own; the default keeps
// components at the form's level.
using TSetParentProc = std::function<bool(TComponent* Parent, TComponent* Child)>;
using TGetParentProc = std::function<TComponent*(TComponent* Child)>;
void RegisterParentRelation(TSetParentProc SetParent, TGetParentProc GetParent);

// The names of colours ("clRed") belong to the graphics unit, which registers them as it starts; a program
// without it writes a colour as its number and reads no colour names.
using TColorToIdentProc = bool (*)(int32_t Color, std::string& Ident);
using TIdentToColorProc = bool (*)(std::string_view Ident, int32_t& Color);
void RegisterColorIdents(TColorToIdentProc ToIdent, TIdentToColorProc ToColor);

// --- forms in and out ---

// Reads a description into Root: the root's properties, then every nested component created by its
// registered class with csLoading set, owned by Root; references resolved; Loaded on Root and then on
// every component in the order of creation; csLoading cleared. Errors raise EReadError (or EParserError,
// EClassNotFound) naming the component and property.
void ReadComponentText(std::string_view Text, TComponent* Root);
// The same from a parsed description.
void ReadComponentObject(const TFormObject& Object, TComponent* Root);
// The description of Root and the components it owns.
TFormObject WriteComponentObject(TComponent* Root);
std::string WriteComponentText(TComponent* Root);

// Reads the RCDATA resource of that name (a form description) into Root; raises EResNotFound.
void ReadComponentRes(const std::string& ResName, TComponent* Root, HINSTANCE Instance = nullptr);
// Reads the resource named after Root's class when the module has one; false when it has none.
bool InitInheritedComponent(TComponent* Root, HINSTANCE Instance = nullptr);
