#include "SysUtils.h"

#include <cmath>
#include <cstdio>
#include <vector>

std::string SysErrorMessage(DWORD errorCode) {
    char* buffer = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, errorCode, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (buffer) {
        text.assign(buffer, length);
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty())
        text = "Unknown error " + IntToStr(errorCode);
    return text;
}

void RaiseOSError(const char* call, DWORD errorCode) {
    throw EOSError(Format("%s failed: %s (system error %lu)", call, SysErrorMessage(errorCode).c_str(),
                          static_cast<unsigned long>(errorCode)),
                   errorCode);
}

void RaiseLastOSError(const char* call) { RaiseOSError(call, GetLastError()); }

HRESULT OleCheck(HRESULT result, const char* call) {
    if (FAILED(result))
        throw EOleSysError(Format("%s failed: %s (result 0x%08lX)", call,
                                  SysErrorMessage(static_cast<DWORD>(result)).c_str(),
                                  static_cast<unsigned long>(result)),
                           result);
    return result;
}

std::string IntToStr(long long value) { return std::to_string(value); }

std::string IntToHex(unsigned long long value, int digits) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*llX", digits, value);
    return buffer;
}

bool TryStrToInt64(std::string_view text, long long& value) {
    size_t i = 0;
    while (i < text.size() && text[i] > 0 && text[i] <= ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return false;
    unsigned long long result = 0;
    const unsigned long long limit = base == 16 ? ~0ull : static_cast<unsigned long long>(INT64_MAX) + 1;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        if (result > (limit - digit) / base)
            return false;
        result = result * base + digit;
    }
    if (base == 10 && !negative && result > static_cast<unsigned long long>(INT64_MAX))
        return false;
    value = negative ? static_cast<long long>(0 - result) : static_cast<long long>(result);
    return true;
}

bool TryStrToInt(std::string_view text, int& value) {
    long long v;
    if (!TryStrToInt64(text, v))
        return false;
    // Hexadecimal texts name a bit pattern: "$FFFFFFFF" is -1 as a 32-bit integer.
    bool hex = text.find('$') != std::string_view::npos || text.find("0x") != std::string_view::npos ||
               text.find("0X") != std::string_view::npos;
    if (hex && v >= 0 && v <= 0xFFFFFFFFll)
        v = static_cast<int32_t>(static_cast<uint32_t>(v));
    else if (hex && v < 0 && v >= -0xFFFFFFFFll)
        v = static_cast<int32_t>(static_cast<uint32_t>(v));
    if (v < INT32_MIN || v > INT32_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

int StrToInt(std::string_view text) {
    int value;
    if (!TryStrToInt(text, value))
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

long long StrToInt64(std::string_view text) {
    long long value;
    if (!TryStrToInt64(text, value))
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

int StrToIntDef(std::string_view text, int defaultValue) {
    int value;
    return TryStrToInt(text, value) ? value : defaultValue;
}

long long Round(double value) {
    double floor = std::floor(value);
    double diff = value - floor;
    long long result = static_cast<long long>(floor);
    if (diff > 0.5 || (diff == 0.5 && (result & 1)))
        ++result;
    return result;
}

std::string UpperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return r;
}

std::string LowerCase(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return r;
}

std::string AnsiUpperCase(std::string_view s) {
    std::string r(s);
    if (!r.empty())
        CharUpperBuffA(r.data(), static_cast<DWORD>(r.size()));
    return r;
}

std::string AnsiLowerCase(std::string_view s) {
    std::string r(s);
    if (!r.empty())
        CharLowerBuffA(r.data(), static_cast<DWORD>(r.size()));
    return r;
}

int CompareStr(std::string_view a, std::string_view b) {
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CompareText(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x -= 32;
        if (y >= 'a' && y <= 'z')
            y -= 32;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                           static_cast<int>(b.size()));
    return r - CSTR_EQUAL;
}

bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

static bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && IsBlank(s[b]))
        ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(0, e));
}

std::string StringReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty())
        return std::string(s);
    std::string r;
    size_t pos = 0;
    for (;;) {
        size_t hit = s.find(from, pos);
        if (hit == std::string_view::npos)
            break;
        r.append(s.substr(pos, hit - pos)).append(to);
        pos = hit + from.size();
    }
    r.append(s.substr(pos));
    return r;
}

std::string QuotedStr(std::string_view s, char quote) {
    std::string r(1, quote);
    for (char c : s) {
        r += c;
        if (c == quote)
            r += quote;
    }
    r += quote;
    return r;
}

std::string FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0)
        throw EConvertError(std::string("Format '") + format + "' is invalid");
    std::string r(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(r.data(), r.size(), format, args);
    r.resize(static_cast<size_t>(n));
    return r;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string r = FormatV(format, args);
    va_end(args);
    return r;
}

std::string FormatDirectives(std::string_view pattern) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%')
            continue;
        size_t j = i + 1;
        if (j < pattern.size() && pattern[j] == '%') {
            i = j;
            continue;
        }
        // flags, width, precision and length modifiers are allowed; '*' is not (it would read an argument).
        while (j < pattern.size() && std::string_view("-+ #0123456789.lhLqjzt").find(pattern[j]) != std::string_view::npos)
            ++j;
        if (j >= pattern.size()) {
            out += "%?";
            break;
        }
        out += '%';
        out += pattern[j];
        i = j;
    }
    return out;
}

std::string SafeFormat(const std::string& pattern, const char* fallback, const char* expectedDirectives, ...) {
    const char* use = FormatDirectives(pattern) == expectedDirectives ? pattern.c_str() : fallback;
    va_list args;
    va_start(args, expectedDirectives);
    std::string r = FormatV(use, args);
    va_end(args);
    return r;
}

std::string ParamStr0() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            RaiseLastOSError("GetModuleFileNameA");
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

static size_t LastDelimiter(std::string_view s) {
    size_t p = s.find_last_of("\\/:");
    return p;
}

std::string ExtractFilePath(std::string_view fileName) {
    size_t p = LastDelimiter(fileName);
    return p == std::string_view::npos ? std::string() : std::string(fileName.substr(0, p + 1));
}

std::string ExtractFileName(std::string_view fileName) {
    size_t p = LastDelimiter(fileName);
    return std::string(p == std::string_view::npos ? fileName : fileName.substr(p + 1));
}

std::string ExtractFileExt(std::string_view fileName) {
    size_t p = fileName.find_last_of(".\\/:");
    if (p == std::string_view::npos || fileName[p] != '.')
        return std::string();
    return std::string(fileName.substr(p));
}

std::string ChangeFileExt(std::string_view fileName, std::string_view ext) {
    size_t p = fileName.find_last_of(".\\/:");
    std::string base(p != std::string_view::npos && fileName[p] == '.' ? fileName.substr(0, p) : fileName);
    return base + std::string(ext);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
    std::string r(path);
    if (r.empty() || (r.back() != '\\' && r.back() != '/'))
        r += '\\';
    return r;
}

bool FileExists(const std::string& fileName) {
    DWORD a = GetFileAttributesA(fileName.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
