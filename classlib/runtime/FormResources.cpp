#include "FormResources.h"
#include "Lists.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <map>

// --- values ---

TFormValue TFormValue::Integer(long long v) {
    TFormValue r;
    r.Type = TValueType::Integer;
    r.Int = v;
    return r;
}

TFormValue TFormValue::FloatValue(double v) {
    TFormValue r;
    r.Type = TValueType::Float;
    r.Float = v;
    return r;
}

TFormValue TFormValue::String(std::string v) {
    TFormValue r;
    r.Type = TValueType::String;
    r.Str = std::move(v);
    return r;
}

TFormValue TFormValue::Ident(std::string v) {
    TFormValue r;
    r.Type = TValueType::Ident;
    r.Str = std::move(v);
    return r;
}

bool TFormValue::operator==(const TFormValue& o) const {
    if (Type != o.Type)
        return false;
    switch (Type) {
        case TValueType::Null: return true;
        case TValueType::Integer: return Int == o.Int;
        case TValueType::Float: return Float == o.Float;
        case TValueType::String:
        case TValueType::Ident: return Str == o.Str;
        case TValueType::Set: return Members == o.Members;
        case TValueType::List: return Items == o.Items;
        case TValueType::Collection: return Collection == o.Collection;
        case TValueType::Binary: return Binary == o.Binary;
    }
    return false;
}

// --- parser ---

namespace {

class TFormParser {
public:
    explicit TFormParser(std::string_view text) : FText(text) {}

    TFormObject ParseRoot() {
        SkipBlanks();
        TFormObject o = ParseObject();
        SkipBlanks();
        if (FPos < FText.size())
            Error("text after the last \"end\"");
        return o;
    }

private:
    [[noreturn]] void Error(const std::string& what) const {
        throw EParserError("Line " + IntToStr(FLine) + ": " + what);
    }

    void SkipBlanks() {
        while (FPos < FText.size()) {
            char c = FText[FPos];
            if (c == '\n')
                ++FLine;
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
                break;
            ++FPos;
        }
    }

    char Peek() {
        SkipBlanks();
        return FPos < FText.size() ? FText[FPos] : '\0';
    }

    void Expect(char c) {
        if (Peek() != c)
            Error(std::string("'") + c + "' expected");
        ++FPos;
    }

    static int HexValue(char h) { return h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10; }
    static bool IdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
    static bool IdentChar(char c) { return IdentStart(c) || (c >= '0' && c <= '9'); }

    // An identifier, with dots when dotted is true ("Font.Style", "Form2.Button1").
    std::string Ident(bool dotted) {
        if (!IdentStart(Peek()))
            Error("identifier expected");
        size_t start = FPos;
        for (;;) {
            while (FPos < FText.size() && IdentChar(FText[FPos]))
                ++FPos;
            if (dotted && FPos + 1 < FText.size() && FText[FPos] == '.' && IdentStart(FText[FPos + 1])) {
                ++FPos;
                continue;
            }
            break;
        }
        return std::string(FText.substr(start, FPos - start));
    }

    bool AtWord(std::string_view word) {
        SkipBlanks();
        if (FText.size() - FPos < word.size() || CompareText(FText.substr(FPos, word.size()), word) != 0)
            return false;
        size_t end = FPos + word.size();
        return end == FText.size() || !IdentChar(FText[end]);
    }

    TFormObject ParseObject() {
        if (!AtWord("object"))
            Error("\"object\" expected");
        FPos += 6;
        TFormObject o;
        std::string first = Ident(false);
        if (Peek() == ':') {
            ++FPos;
            o.Name = first;
            o.ClassName = Ident(false);
        } else {
            o.ClassName = first;
        }
        for (;;) {
            if (AtWord("end")) {
                FPos += 3;
                return o;
            }
            if (AtWord("object")) {
                o.Children.push_back(ParseObject());
                continue;
            }
            if (FPos >= FText.size())
                Error("\"end\" expected");
            o.Properties.push_back(ParseProperty());
        }
    }

    TFormProperty ParseProperty() {
        TFormProperty p;
        p.Name = Ident(true);
        Expect('=');
        p.Value = ParseValue();
        return p;
    }

    TFormValue ParseValue() {
        char c = Peek();
        TFormValue v;
        if (c == '[') {
            ++FPos;
            v.Type = TValueType::Set;
            if (Peek() != ']')
                for (;;) {
                    v.Members.push_back(Ident(false));
                    if (Peek() == ',') {
                        ++FPos;
                        continue;
                    }
                    break;
                }
            Expect(']');
        } else if (c == '(') {
            ++FPos;
            v.Type = TValueType::List;
            while (Peek() != ')') {
                if (FPos >= FText.size())
                    Error("')' expected");
                v.Items.push_back(ParseValue());
            }
            ++FPos;
        } else if (c == '<') {
            ++FPos;
            v.Type = TValueType::Collection;
            while (Peek() != '>') {
                if (!AtWord("item"))
                    Error("\"item\" or '>' expected");
                FPos += 4;
                std::vector<TFormProperty> props;
                while (!AtWord("end")) {
                    if (FPos >= FText.size())
                        Error("\"end\" expected");
                    props.push_back(ParseProperty());
                }
                FPos += 3;
                v.Collection.push_back(std::move(props));
            }
            ++FPos;
        } else if (c == '{') {
            ++FPos;
            v.Type = TValueType::Binary;
            int high = -1;
            for (;;) {
                char h = Peek();
                if (h == '}')
                    break;
                int d = std::isxdigit(static_cast<unsigned char>(h)) ? HexValue(h) : -1;
                if (d < 0)
                    Error("hexadecimal digit or '}' expected");
                ++FPos;
                if (high < 0) {
                    high = d;
                } else {
                    v.Binary.push_back(static_cast<uint8_t>(high * 16 + d));
                    high = -1;
                }
            }
            if (high >= 0)
                Error("odd number of hexadecimal digits");
            ++FPos;
        } else if (c == '\'' || c == '#') {
            v.Type = TValueType::String;
            v.Str = ParseString();
        } else if (c == '-' || c == '+' || c == '$' || (c >= '0' && c <= '9')) {
            v = ParseNumber();
        } else if (IdentStart(c)) {
            v.Type = TValueType::Ident;
            v.Str = Ident(true);
        } else {
            Error("value expected");
        }
        return v;
    }

    std::string ParseString() {
        std::string s;
        for (;;) {
            char c = Peek();
            if (c == '\'') {
                ++FPos;
                for (;;) {
                    if (FPos >= FText.size() || FText[FPos] == '\n' || FText[FPos] == '\r')
                        Error("unterminated string");
                    char d = FText[FPos++];
                    if (d == '\'') {
                        if (FPos < FText.size() && FText[FPos] == '\'') {
                            s += '\'';
                            ++FPos;
                            continue;
                        }
                        break;
                    }
                    s += d;
                }
            } else if (c == '#') {
                ++FPos;
                long long code = 0;
                size_t start = FPos;
                if (FPos < FText.size() && FText[FPos] == '$') {
                    ++FPos;
                    while (FPos < FText.size() && std::isxdigit(static_cast<unsigned char>(FText[FPos])) && code <= 255)
                        code = code * 16 + HexValue(FText[FPos++]);
                } else {
                    while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9' && code <= 255)
                        code = code * 10 + (FText[FPos++] - '0');
                }
                if (FPos == start || code > 255)
                    Error("character code of 0 to 255 expected after '#'");
                s += static_cast<char>(code);
            } else {
                break;
            }
            // A long string goes on after " +" on the next line.
            size_t save = FPos;
            int line = FLine;
            if (Peek() == '+') {
                ++FPos;
                char n = Peek();
                if (n == '\'' || n == '#')
                    continue;
                Error("string expected after '+'");
            }
            FPos = save;
            FLine = line;
            char n = FPos < FText.size() ? FText[FPos] : '\0';
            if (n != '\'' && n != '#')
                break;
        }
        return s;
    }

    TFormValue ParseNumber() {
        size_t start = FPos;
        bool negative = false;
        if (FText[FPos] == '-' || FText[FPos] == '+') {
            negative = FText[FPos] == '-';
            ++FPos;
        }
        TFormValue v;
        if (FPos < FText.size() && FText[FPos] == '$') {
            ++FPos;
            size_t digits = FPos;
            unsigned long long x = 0;
            while (FPos < FText.size() && std::isxdigit(static_cast<unsigned char>(FText[FPos]))) {
                if (FPos - digits >= 16)
                    Error("hexadecimal number too long");
                x = x * 16 + static_cast<unsigned>(HexValue(FText[FPos++]));
            }
            if (FPos == digits)
                Error("hexadecimal digits expected after '$'");
            v.Type = TValueType::Integer;
            v.Int = negative ? -static_cast<long long>(x) : static_cast<long long>(x);
            return v;
        }
        size_t end = FPos;
        bool isFloat = false;
        while (end < FText.size()) {
            char d = FText[end];
            if (d >= '0' && d <= '9')
                ++end;
            else if (d == '.' || d == 'e' || d == 'E' ||
                     ((d == '-' || d == '+') && (FText[end - 1] == 'e' || FText[end - 1] == 'E'))) {
                isFloat = true;
                ++end;
            } else {
                break;
            }
        }
        std::string_view number = FText.substr(start, end - start);
        if (number.size() && number[0] == '+')
            number.remove_prefix(1);
        if (isFloat) {
            double d;
            auto r = std::from_chars(number.data(), number.data() + number.size(), d);
            if (r.ec != std::errc() || r.ptr != number.data() + number.size())
                Error("bad number " + std::string(number));
            v.Type = TValueType::Float;
            v.Float = d;
        } else {
            long long i;
            auto r = std::from_chars(number.data(), number.data() + number.size(), i);
            if (r.ec != std::errc() || r.ptr != number.data() + number.size())
                Error("bad number " + std::string(number));
            v.Type = TValueType::Integer;
            v.Int = i;
        }
        FPos = end;
        return v;
    }

    std::string_view FText;
    size_t FPos = 0;
    int FLine = 1;
};

// --- formatter ---

constexpr size_t StringChunk = 64;   // characters of a string per line
constexpr size_t BinaryChunk = 32;   // bytes of binary data per line

std::string Indent(int n) { return std::string(static_cast<size_t>(n), ' '); }

std::string QuoteString(std::string_view s) {
    std::string out;
    bool quoted = false;
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if (u < 32) {
            if (quoted) {
                out += '\'';
                quoted = false;
            }
            out += '#' + std::to_string(u);
        } else {
            if (!quoted) {
                out += '\'';
                quoted = true;
            }
            out += c;
            if (c == '\'')
                out += '\'';
        }
    }
    if (quoted)
        out += '\'';
    return out;
}

std::string FormatString(const std::string& s, int indent) {
    if (s.empty())
        return "''";
    std::string out;
    for (size_t i = 0; i < s.size(); i += StringChunk) {
        if (i)
            out += " +\r\n" + Indent(indent + 2);
        out += QuoteString(std::string_view(s).substr(i, StringChunk));
    }
    return out;
}

std::string FormatFloat(double d) {
    char buffer[64];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, d);
    std::string s(buffer, r.ptr);
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";  // stays a floating-point value when read back
    return s;
}

void FormatProperties(std::string& out, const std::vector<TFormProperty>& props, int indent);

std::string FormatValue(const TFormValue& v, int indent) {
    static const char hex[] = "0123456789ABCDEF";
    switch (v.Type) {
        case TValueType::Null: return "nil";
        case TValueType::Integer: return std::to_string(v.Int);
        case TValueType::Float: return FormatFloat(v.Float);
        case TValueType::String: return FormatString(v.Str, indent);
        case TValueType::Ident: return v.Str;
        case TValueType::Set: {
            std::string out = "[";
            for (size_t i = 0; i < v.Members.size(); ++i)
                out += (i ? ", " : "") + v.Members[i];
            return out + "]";
        }
        case TValueType::List: {
            std::string out = "(";
            for (const TFormValue& item : v.Items)
                out += "\r\n" + Indent(indent + 2) + FormatValue(item, indent + 2);
            return out + ")";
        }
        case TValueType::Collection: {
            std::string out = "<";
            for (const auto& item : v.Collection) {
                out += "\r\n" + Indent(indent + 2) + "item";
                FormatProperties(out, item, indent + 4);
                out += "\r\n" + Indent(indent + 2) + "end";
            }
            return out + ">";
        }
        case TValueType::Binary: {
            std::string out = "{";
            for (size_t i = 0; i < v.Binary.size(); ++i) {
                if (i % BinaryChunk == 0)
                    out += "\r\n" + Indent(indent + 2);
                out += hex[v.Binary[i] >> 4];
                out += hex[v.Binary[i] & 15];
            }
            return out + "}";
        }
    }
    return "";
}

void FormatProperties(std::string& out, const std::vector<TFormProperty>& props, int indent) {
    for (const TFormProperty& p : props)
        out += "\r\n" + Indent(indent) + p.Name + " = " + FormatValue(p.Value, indent);
}

void FormatObject(std::string& out, const TFormObject& o, int indent) {
    out += Indent(indent) + "object " + (o.Name.empty() ? o.ClassName : o.Name + ": " + o.ClassName);
    FormatProperties(out, o.Properties, indent + 2);
    for (const TFormObject& child : o.Children) {
        out += "\r\n";
        FormatObject(out, child, indent + 2);
    }
    out += "\r\n" + Indent(indent) + "end";
}

}  // namespace

TFormObject ParseFormText(std::string_view Text) { return TFormParser(Text).ParseRoot(); }

std::string FormatFormText(const TFormObject& Object) {
    std::string out;
    FormatObject(out, Object, 0);
    return out + "\r\n";
}

// --- class registry ---

namespace {

struct TFormRegistry {
    std::vector<std::unique_ptr<TFormClassInfo>> Classes;
    std::vector<std::pair<TSetParentProc, TGetParentProc>> ParentRelations;
    std::map<std::string, std::vector<const TFormClassInfo*>> ChainCache;  // by class name of an instance
    TColorToIdentProc ColorToIdent = nullptr;
    TIdentToColorProc IdentToColor = nullptr;
};

TFormRegistry& Registry() {
    static TFormRegistry registry;
    return registry;
}

TFormClassInfo* FindInfo(std::string_view name) {
    for (auto& c : Registry().Classes)
        if (SameText(c->ClassName, name))
            return c.get();
    return nullptr;
}

// The registered tables that apply to an instance, most derived first.
const std::vector<const TFormClassInfo*>& ChainOf(TPersistent* instance) {
    auto& cache = Registry().ChainCache;
    std::string key = instance->ClassName();
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    // The most derived registered class the instance belongs to has the longest line of ancestors.
    const TFormClassInfo* best = nullptr;
    for (auto& c : Registry().Classes)
        if (instance->InheritsFrom(c->ClassName) && (!best || c->Ancestors.size() > best->Ancestors.size()))
            best = c.get();
    std::vector<const TFormClassInfo*> chain;
    if (best)
        for (const std::string& a : best->Ancestors)
            if (const TFormClassInfo* info = FindInfo(a))
                chain.push_back(info);
    return cache[key] = std::move(chain);
}

}  // namespace

TFormClassInfo& FormDetail::NewClass(const char* name, std::vector<std::string> ancestors) {
    TFormRegistry& r = Registry();
    r.ChainCache.clear();
    auto info = std::make_unique<TFormClassInfo>();
    info->ClassName = name;
    info->Ancestors = std::move(ancestors);
    for (auto& c : r.Classes)
        if (SameText(c->ClassName, name)) {
            c = std::move(info);
            return *c;
        }
    r.Classes.push_back(std::move(info));
    return *r.Classes.back();
}

const TFormClassInfo* FindFormClass(std::string_view ClassName) { return FindInfo(ClassName); }

const TPropInfo* FindFormProperty(TPersistent* Instance, std::string_view Name) {
    if (!Instance)
        return nullptr;
    for (const TFormClassInfo* info : ChainOf(Instance))
        for (const TPropInfo& p : info->Properties)
            if (SameText(p.Name, Name))
                return &p;
    return nullptr;
}

void RegisterParentRelation(TSetParentProc SetParent, TGetParentProc GetParent) {
    Registry().ParentRelations.emplace_back(std::move(SetParent), std::move(GetParent));
}

void RegisterColorIdents(TColorToIdentProc ToIdent, TIdentToColorProc ToColor) {
    Registry().ColorToIdent = ToIdent;
    Registry().IdentToColor = ToColor;
}

[[noreturn]] void FormDetail::BadValue(const std::string& property, const TFormValue& value, const char* expected) {
    throw EReadError("Invalid property value " + TextOfValue(value) + " for " + property + ": " + expected +
                     " expected");
}

std::string FormDetail::TextOfValue(const TFormValue& value) {
    std::string text = FormatValue(value, 0);
    if (text.size() > 40)
        text = text.substr(0, 37) + "...";
    return text;
}

long long FormDetail::IntegerOf(const std::string& property, const TFormValue& value, const TIdentMap* idents) {
    if (value.Type == TValueType::Integer)
        return value.Int;
    if (value.Type == TValueType::Ident && idents)
        for (auto& [ident, v] : *idents)
            if (SameText(ident, value.Str))
                return v;
    BadValue(property, value, "an integer");
}

TFormValue FormDetail::ColorValue(int32_t color) {
    std::string name;
    if (Registry().ColorToIdent && Registry().ColorToIdent(color, name))
        return TFormValue::Ident(name);
    return TFormValue::Integer(color);
}

int32_t FormDetail::ColorOf(const std::string& property, const TFormValue& v) {
    if (v.Type == TValueType::Integer)
        return static_cast<int32_t>(v.Int);
    int32_t c;
    if (v.Type == TValueType::Ident && Registry().IdentToColor && Registry().IdentToColor(v.Str, c))
        return c;
    BadValue(property, v, "a colour");
}

// --- filers ---

const TFormValue& TReader::Take() {
    if (!FLists.empty()) {
        auto& [list, next] = FLists.back();
        if (next >= list->Items.size())
            throw EReadError("Error reading " + FPropName + ": the list has no more values");
        return list->Items[next++];
    }
    if (FTaken || !FValue)
        throw EReadError("Error reading " + FPropName + ": the property has one value only");
    FTaken = true;
    return *FValue;
}

TValueType TReader::NextValue() const {
    if (!FLists.empty()) {
        auto& [list, next] = FLists.back();
        return next < list->Items.size() ? list->Items[next].Type : TValueType::Null;
    }
    return FValue && !FTaken ? FValue->Type : TValueType::Null;
}

long long TReader::ReadInteger() {
    const TFormValue& v = Take();
    if (v.Type != TValueType::Integer)
        FormDetail::BadValue(FPropName, v, "an integer");
    return v.Int;
}

double TReader::ReadFloat() {
    const TFormValue& v = Take();
    if (v.Type == TValueType::Integer)
        return static_cast<double>(v.Int);
    if (v.Type != TValueType::Float)
        FormDetail::BadValue(FPropName, v, "a number");
    return v.Float;
}

std::string TReader::ReadString() {
    const TFormValue& v = Take();
    if (v.Type != TValueType::String)
        FormDetail::BadValue(FPropName, v, "a string");
    return v.Str;
}

std::string TReader::ReadIdent() {
    const TFormValue& v = Take();
    if (v.Type != TValueType::Ident)
        FormDetail::BadValue(FPropName, v, "an identifier");
    return v.Str;
}

bool TReader::ReadBoolean() {
    std::string s = ReadIdent();
    if (SameText(s, "True"))
        return true;
    if (SameText(s, "False"))
        return false;
    throw EReadError("Invalid property value " + s + " for " + FPropName + ": True or False expected");
}

void TReader::ReadListBegin() {
    const TFormValue& v = Take();
    if (v.Type != TValueType::List)
        FormDetail::BadValue(FPropName, v, "a list");
    FLists.emplace_back(&v, 0);
}

bool TReader::EndOfList() const { return FLists.empty() || FLists.back().second >= FLists.back().first->Items.size(); }

void TReader::ReadListEnd() {
    if (FLists.empty())
        throw EReadError("Error reading " + FPropName + ": no list is open");
    if (!EndOfList())
        throw EReadError("Error reading " + FPropName + ": the list holds more values than were read");
    FLists.pop_back();
}

void TReader::DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc, bool) {
    if (FFound || !SameText(Name, FPropName) || !ReadData)
        return;
    FFound = true;
    ReadData(this);
}

void TReader::DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc, bool) {
    if (FFound || !SameText(Name, FPropName) || !ReadData)
        return;
    FFound = true;
    const TFormValue& v = Take();
    if (v.Type != TValueType::Binary)
        FormDetail::BadValue(FPropName, v, "binary data");
    TMemoryStream stream;
    if (!v.Binary.empty())
        stream.WriteBuffer(v.Binary.data(), static_cast<long>(v.Binary.size()));
    stream.SetPosition(0);
    ReadData(&stream);
}

void TWriter::Put(TFormValue value) {
    if (FStack.empty())
        throw EWriteError("Error writing " + FPrefix + ": no property is being written");
    TFormValue& top = FStack.back();
    if (top.Type == TValueType::List) {
        top.Items.push_back(std::move(value));
        return;
    }
    if (top.Type != TValueType::Null)
        throw EWriteError("Error writing " + FPrefix + ": a property holds one value (or one list)");
    top = std::move(value);
}

void TWriter::WriteInteger(long long Value) { Put(TFormValue::Integer(Value)); }
void TWriter::WriteFloat(double Value) { Put(TFormValue::FloatValue(Value)); }
void TWriter::WriteString(const std::string& Value) { Put(TFormValue::String(Value)); }
void TWriter::WriteIdent(const std::string& Value) { Put(TFormValue::Ident(Value)); }
void TWriter::WriteBoolean(bool Value) { Put(TFormValue::Ident(Value ? "True" : "False")); }

void TWriter::WriteListBegin() {
    TFormValue list;
    list.Type = TValueType::List;
    FStack.push_back(std::move(list));
}

void TWriter::WriteListEnd() {
    if (FStack.size() < 2 || FStack.back().Type != TValueType::List)
        throw EWriteError("Error writing " + FPrefix + ": no list is open");
    TFormValue list = std::move(FStack.back());
    FStack.pop_back();
    Put(std::move(list));
}

void TWriter::DefineProperty(const std::string& Name, TReaderProc, TWriterProc WriteData, bool HasData) {
    if (!HasData || !WriteData || !FOut)
        return;
    std::string saved = FPrefix;
    FStack.assign(1, TFormValue());
    FPrefix = saved + Name;
    WriteData(this);
    FPrefix = saved;
    if (FStack.size() != 1)
        throw EWriteError("Error writing " + saved + Name + ": a list was not closed");
    FOut->push_back({saved + Name, std::move(FStack.back())});
    FStack.clear();
}

void TWriter::DefineBinaryProperty(const std::string& Name, TStreamProc, TStreamProc WriteData, bool HasData) {
    if (!HasData || !WriteData || !FOut)
        return;
    TMemoryStream stream;
    WriteData(&stream);
    TFormValue v;
    v.Type = TValueType::Binary;
    const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
    v.Binary.assign(bytes, bytes + stream.Size());
    FOut->push_back({FPrefix + Name, std::move(v)});
}

// --- reading components ---

class TFormLoader {
public:
    explicit TFormLoader(TComponent* root) : FRoot(root) { FReader.FRoot = root; }

    void Run(const TFormObject& o) {
        if (!FRoot->InheritsFrom(o.ClassName))
            throw EReadError("Error reading " + o.Name + ": the description is of class " + o.ClassName +
                             ", not of " + FRoot->ClassName());
        FRoot->SetLoading(true);
        FLoaded.push_back(FRoot);
        try {
            if (!o.Name.empty() && o.Name != FRoot->Name())
                FRoot->SetName(o.Name);
            ApplyProperties(FRoot, o.Properties, Context(FRoot));
            ReadChildren(FRoot, o.Children, Context(FRoot));
            ResolveFixups();
            for (TComponent* c : FLoaded)
                c->Loaded();
        } catch (...) {
            for (TComponent* c : FLoaded)
                c->SetLoading(false);
            throw;
        }
        for (TComponent* c : FLoaded)
            c->SetLoading(false);
    }

private:
    struct Fixup {
        TPersistent* Object;
        const TPropInfo* Property;
        std::string Name;
        std::string Context;
    };

    std::string Context(TComponent* c) const { return c->Name().empty() ? std::string(c->ClassName()) : c->Name(); }

    template <class F>
    void Guard(const std::string& context, F f) {
        try {
            f();
        } catch (const EClassNotFound&) {
            throw;
        } catch (const EReadError& e) {
            if (e.Message().rfind("Error reading ", 0) == 0)
                throw;
            throw EReadError("Error reading " + context + ": " + e.Message());
        } catch (const Exception& e) {
            throw EReadError("Error reading " + context + ": " + e.Message());
        }
    }

    void ReadChildren(TComponent* parent, const std::vector<TFormObject>& children, const std::string& context) {
        for (const TFormObject& child : children) {
            const TFormClassInfo* info = FindFormClass(child.ClassName);
            if (!info || !info->Create)
                throw EClassNotFound("Class " + child.ClassName + " not found");
            TComponent* c = nullptr;
            std::string where = child.Name.empty() ? context + "." + child.ClassName : child.Name;
            Guard(where, [&] {
                // A component the form made itself already is read into, not made twice.
                TComponent* existing = child.Name.empty() ? nullptr : FRoot->FindComponent(child.Name);
                if (existing && std::find(FLoaded.begin(), FLoaded.end(), existing) != FLoaded.end())
                    throw EReadError("A component named " + child.Name + " already exists");
                if (existing && existing->InheritsFrom(child.ClassName)) {
                    c = existing;
                    c->SetLoading(true);
                    FLoaded.push_back(c);
                } else {
                    c = info->Create(FRoot);
                    c->SetLoading(true);
                    FLoaded.push_back(c);
                    c->SetName(child.Name);
                }
                for (auto& [set, get] : Registry().ParentRelations)
                    if (set && set(parent, c))
                        break;
                AssignField(c);
            });
            ApplyProperties(c, child.Properties, where);
            ReadChildren(c, child.Children, where);
        }
    }

    void AssignField(TComponent* c) {
        if (c->Name().empty())
            return;
        for (const TFormClassInfo* info : ChainOf(FRoot))
            for (const TFieldBinder& f : info->Fields)
                if (SameText(f.Name, c->Name())) {
                    if (!f.Assign(FRoot, c))
                        throw EReadError("Field " + f.Name + " cannot hold a " + c->ClassName());
                    return;
                }
    }

    void ApplyProperties(TPersistent* o, const std::vector<TFormProperty>& props, const std::string& context) {
        for (const TFormProperty& p : props)
            Guard(context + "." + p.Name, [&] { SetProperty(o, p.Name, p.Value, context + "." + p.Name); });
    }

    void SetProperty(TPersistent* o, const std::string& path, const TFormValue& value, const std::string& context) {
        size_t dot = path.find('.');
        if (dot != std::string::npos) {
            std::string head = path.substr(0, dot);
            const TPropInfo* p = FindFormProperty(o, head);
            if (p && p->Kind == TPropInfo::Object) {
                TPersistent* sub = p->GetObject(o);
                if (!sub)
                    throw EReadError("Property " + head + " holds no object");
                SetProperty(sub, path.substr(dot + 1), value, context);
                return;
            }
            if (!p)
                SetDefinedProperty(o, path, value);
            else
                throw EReadError("Property " + head + " has no properties of its own");
            return;
        }
        const TPropInfo* p = FindFormProperty(o, path);
        if (!p) {
            SetDefinedProperty(o, path, value);
            return;
        }
        switch (p->Kind) {
            case TPropInfo::Value: p->Set(o, value); break;
            case TPropInfo::Object: throw EReadError("Property " + path + " is an object; set its properties");
            case TPropInfo::Component:
                if (value.Type == TValueType::Ident && SameText(value.Str, "nil"))
                    p->SetComponent(o, nullptr);
                else if (value.Type == TValueType::Ident)
                    FFixups.push_back({o, p, value.Str, context});
                else
                    FormDetail::BadValue(path, value, "a component name");
                break;
            case TPropInfo::Event: {
                if (value.Type != TValueType::Ident)
                    FormDetail::BadValue(path, value, "a method name");
                const TMethodBinder* m = FindMethod(value.Str);
                if (!m)
                    throw EReadError("Method " + value.Str + " not found in " + FRoot->ClassName());
                p->BindMethod(o, FRoot, *m);
                break;
            }
            case TPropInfo::Collection: {
                if (value.Type != TValueType::Collection)
                    FormDetail::BadValue(path, value, "a collection");
                struct Scope {
                    const TPropInfo* P;
                    TPersistent* O;
                    Scope(const TPropInfo* p, TPersistent* o) : P(p), O(o) {
                        if (P->Update)
                            P->Update(O, true);
                    }
                    ~Scope() {
                        if (P->Update)
                            P->Update(O, false);
                    }
                } update(p, o);
                p->Clear(o);
                for (size_t i = 0; i < value.Collection.size(); ++i) {
                    TPersistent* item = p->Add(o);
                    ApplyProperties(item, value.Collection[i], context + "[" + IntToStr(static_cast<long long>(i)) + "]");
                }
                break;
            }
        }
    }

    void SetDefinedProperty(TPersistent* o, const std::string& name, const TFormValue& value) {
        FReader.FPropName = name;
        FReader.FValue = &value;
        FReader.FFound = false;
        FReader.FTaken = false;
        FReader.FLists.clear();
        o->DefineProperties(&FReader);
        for (const TFormClassInfo* info : ChainOf(o))
            if (!FReader.FFound && info->DefineProperties)
                info->DefineProperties(o, &FReader);
        if (!FReader.FFound)
            throw EReadError("Property " + name + " does not exist");
    }

    const TMethodBinder* FindMethod(const std::string& name) {
        for (const TFormClassInfo* info : ChainOf(FRoot))
            for (const TMethodBinder& m : info->Methods)
                if (SameText(m.Name, name))
                    return &m;
        return nullptr;
    }

    void ResolveFixups() {
        for (const Fixup& f : FFixups)
            Guard(f.Context, [&] {
                TComponent* target = nullptr;
                size_t dot = f.Name.find('.');
                if (SameText(f.Name, FRoot->Name()))
                    target = FRoot;
                else if (dot == std::string::npos)
                    target = FRoot->FindComponent(f.Name);
                else if (SameText(f.Name.substr(0, dot), FRoot->Name()))
                    target = FRoot->FindComponent(f.Name.substr(dot + 1));
                if (!target)
                    throw EReadError("Invalid property value: no component named " + f.Name);
                f.Property->SetComponent(f.Object, target);
            });
    }

    TComponent* FRoot;
    TReader FReader;
    std::vector<TComponent*> FLoaded;
    std::vector<Fixup> FFixups;
};

void ReadComponentObject(const TFormObject& Object, TComponent* Root) { TFormLoader(Root).Run(Object); }

void ReadComponentText(std::string_view Text, TComponent* Root) { ReadComponentObject(ParseFormText(Text), Root); }

// --- writing components ---

class TFormSaver {
public:
    explicit TFormSaver(TComponent* root) : FRoot(root) { FWriter.FRoot = root; }

    TFormObject Run() {
        TFormObject o;
        o.Name = FRoot->Name();
        o.ClassName = FRoot->ClassName();
        WriteProperties(FRoot, "", o.Properties);
        WriteChildren(FRoot, o.Children);
        return o;
    }

private:
    TComponent* ParentOf(TComponent* c) {
        for (auto& [set, get] : Registry().ParentRelations)
            if (get)
                if (TComponent* p = get(c))
                    return p;
        return nullptr;
    }

    void WriteChildren(TComponent* parent, std::vector<TFormObject>& out) {
        for (int i = 0; i < FRoot->ComponentCount(); ++i) {
            TComponent* c = FRoot->Components(i);
            TComponent* p = ParentOf(c);
            if (p != parent && !(parent == FRoot && !p))
                continue;
            if (c == parent)
                continue;
            TFormObject o;
            o.Name = c->Name();
            o.ClassName = c->ClassName();
            WriteProperties(c, "", o.Properties);
            WriteChildren(c, o.Children);
            out.push_back(std::move(o));
        }
    }

    std::string ReferenceName(TComponent* c) {
        if (c == FRoot || c->Owner() == FRoot || !c->Owner())
            return c->Name();
        return c->Owner()->Name() + "." + c->Name();
    }

    void WriteProperties(TPersistent* o, const std::string& prefix, std::vector<TFormProperty>& out) {
        const auto& chain = ChainOf(o);
        std::vector<std::string> done;
        // Base classes' properties come first, as they were declared; a derived table may redefine one.
        for (auto it = chain.rbegin(); it != chain.rend(); ++it)
            for (const TPropInfo& declared : (*it)->Properties) {
                if (std::any_of(done.begin(), done.end(), [&](const std::string& n) { return SameText(n, declared.Name); }))
                    continue;
                done.push_back(declared.Name);
                WriteProperty(o, *FindFormProperty(o, declared.Name), prefix, out);
            }
        FWriter.FPrefix = prefix;
        FWriter.FOut = &out;
        o->DefineProperties(&FWriter);
        for (const TFormClassInfo* info : chain)
            if (info->DefineProperties) {
                FWriter.FPrefix = prefix;
                FWriter.FOut = &out;
                info->DefineProperties(o, &FWriter);
            }
        FWriter.FOut = nullptr;
    }

    void WriteProperty(TPersistent* o, const TPropInfo& p, const std::string& prefix, std::vector<TFormProperty>& out) {
        if (p.Stored && !p.Stored(o))
            return;
        std::string name = prefix + p.Name;
        switch (p.Kind) {
            case TPropInfo::Value: out.push_back({name, p.Get(o)}); break;
            case TPropInfo::Object:
                if (TPersistent* sub = p.GetObject(o))
                    WriteProperties(sub, name + ".", out);
                break;
            case TPropInfo::Component:
                if (TComponent* c = p.GetComponent(o))
                    out.push_back({name, TFormValue::Ident(ReferenceName(c))});
                break;
            case TPropInfo::Event: {
                std::string method = p.GetMethodName(o);
                if (!method.empty())
                    out.push_back({name, TFormValue::Ident(method)});
                break;
            }
            case TPropInfo::Collection: {
                TFormValue v;
                v.Type = TValueType::Collection;
                int n = p.Count(o);
                for (int i = 0; i < n; ++i) {
                    std::vector<TFormProperty> item;
                    WriteProperties(p.Item(o, i), "", item);
                    v.Collection.push_back(std::move(item));
                }
                out.push_back({name, std::move(v)});
                break;
            }
        }
    }

    TComponent* FRoot;
    TWriter FWriter;
};

TFormObject WriteComponentObject(TComponent* Root) { return TFormSaver(Root).Run(); }

std::string WriteComponentText(TComponent* Root) { return FormatFormText(WriteComponentObject(Root)); }

void ReadComponentRes(const std::string& ResName, TComponent* Root, HINSTANCE Instance) {
    TResourceStream res(Instance ? Instance : GetModuleHandleA(nullptr), ResName, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    ReadComponentText(std::string_view(static_cast<const char*>(res.Memory()), static_cast<size_t>(res.Size())), Root);
}

bool InitInheritedComponent(TComponent* Root, HINSTANCE Instance) {
    HINSTANCE module = Instance ? Instance : GetModuleHandleA(nullptr);
    if (!FindResourceA(module, Root->ClassName(), MAKEINTRESOURCEA(10)))
        return false;
    ReadComponentRes(Root->ClassName(), Root, module);
    return true;
}

// --- the class library's own classes ---

namespace {

const bool ClassLibraryRegistered = [] {
    RegisterFormClass<TComponent>([](TFormClass<TComponent>& c) {
        c.Integer("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
    });
    // A string list keeps its lines as "Strings": Lines.Strings = ('first' 'second').
    RegisterFormClass<TStrings>([](TFormClass<TStrings>& c) {
        c.DefineProperties([](TStrings* s, TFiler* f) {
            f->DefineProperty(
                "Strings",
                [s](TReader* r) {
                    TStringsUpdateScope update(*s);
                    s->Clear();
                    r->ReadListBegin();
                    while (!r->EndOfList())
                        s->Add(r->ReadString());
                    r->ReadListEnd();
                },
                [s](TWriter* w) {
                    w->WriteListBegin();
                    for (int i = 0; i < s->Count(); ++i)
                        w->WriteString(s->Strings(i));
                    w->WriteListEnd();
                },
                s->Count() > 0);
        });
    });
    return true;
}();

}  // namespace
