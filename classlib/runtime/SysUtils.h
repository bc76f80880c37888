#pragma once
// Exceptions, strings, numbers and file names with the class library's rules.
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Base of every exception the program raises; carries a message a user can act on.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const { return FMessage; }
    void SetMessage(std::string value) { FMessage = std::move(value); }
    virtual const char* ClassName() const { return "Exception"; }

private:
    std::string FMessage;
};

#define BRIMLET_EXCEPTION(Name, Base)                                      \
    class Name : public Base {                                             \
    public:                                                                \
        using Base::Base;                                                  \
        const char* ClassName() const override { return #Name; }           \
    }

BRIMLET_EXCEPTION(EConvertError, Exception);
BRIMLET_EXCEPTION(EListError, Exception);
BRIMLET_EXCEPTION(EStringListError, Exception);
BRIMLET_EXCEPTION(EStreamError, Exception);
BRIMLET_EXCEPTION(EFCreateError, EStreamError);
BRIMLET_EXCEPTION(EFOpenError, EStreamError);
BRIMLET_EXCEPTION(EReadError, EStreamError);
BRIMLET_EXCEPTION(EWriteError, EStreamError);
BRIMLET_EXCEPTION(EInvalidOperation, Exception);
BRIMLET_EXCEPTION(EInvalidArgument, Exception);
BRIMLET_EXCEPTION(EOutOfResources, Exception);
BRIMLET_EXCEPTION(EIniFileException, Exception);
BRIMLET_EXCEPTION(ERegistryException, Exception);
BRIMLET_EXCEPTION(EThread, Exception);
BRIMLET_EXCEPTION(EComponentError, Exception);
BRIMLET_EXCEPTION(EInvalidGraphic, Exception);
BRIMLET_EXCEPTION(EInvalidGraphicOperation, Exception);

// A failed Win32 call: the message names the call and carries the system's own text for the code.
class EOSError : public Exception {
public:
    EOSError(std::string message, DWORD errorCode) : Exception(std::move(message)), FErrorCode(errorCode) {}
    const char* ClassName() const override { return "EOSError"; }
    DWORD ErrorCode() const { return FErrorCode; }

private:
    DWORD FErrorCode;
};

// A failed OLE call: the message names the call and carries the system's own text for the result code.
class EOleSysError : public Exception {
public:
    EOleSysError(std::string message, HRESULT errorCode) : Exception(std::move(message)), FErrorCode(errorCode) {}
    const char* ClassName() const override { return "EOleSysError"; }
    HRESULT ErrorCode() const { return FErrorCode; }

private:
    HRESULT FErrorCode;
};

// The system's message for a Win32 error code, without the trailing line break.
std::string SysErrorMessage(DWORD errorCode);
// Raises EOSError for GetLastError() (or the given code), naming the failed call.
[[noreturn]] void RaiseLastOSError(const char* call);
[[noreturn]] void RaiseOSError(const char* call, DWORD errorCode);
// Raises EOleSysError for a failure code, naming the failed call; returns a success code as it is.
HRESULT OleCheck(HRESULT result, const char* call);
// Raises when a Win32 call reported failure; returns the value otherwise.
template <class T>
T Win32Check(T result, const char* call) {
    if (!result)
        RaiseLastOSError(call);
    return result;
}

// --- numbers ---
std::string IntToStr(long long value);
std::string IntToHex(unsigned long long value, int digits);
// Leading blanks, an optional sign, decimal or "$"/"0x"/"0X" hexadecimal; nothing may follow.
// A leading zero means decimal. Raises EConvertError with "'text' is not a valid integer value".
int StrToInt(std::string_view text);
long long StrToInt64(std::string_view text);
int StrToIntDef(std::string_view text, int defaultValue);
bool TryStrToInt(std::string_view text, int& value);
bool TryStrToInt64(std::string_view text, long long& value);
// Round half to even, as the class library's Round does; exact for every double.
long long Round(double value);

// --- strings (ANSI: upper-casing follows the system code page) ---
std::string UpperCase(std::string_view s);  // a-z only
std::string LowerCase(std::string_view s);  // A-Z only
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);  // ASCII case-insensitive
int AnsiCompareText(std::string_view a, std::string_view b);  // locale, case-insensitive
bool SameText(std::string_view a, std::string_view b);
std::string Trim(std::string_view s);  // removes characters up to blank at both ends
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string StringReplaceAll(std::string_view s, std::string_view from, std::string_view to);
std::string QuotedStr(std::string_view s, char quote = '\'');

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
std::string FormatV(const char* format, va_list args);
// Formats with a pattern that may come from outside (a translation): the pattern is used only
// when its directives are exactly the expected ones ("%d", "%s%d", ...); otherwise the fallback is used.
std::string SafeFormat(const std::string& pattern, const char* fallback, const char* expectedDirectives, ...);
// The directives of a printf pattern in order ("%d%s"), "%%" excluded; used by SafeFormat.
std::string FormatDirectives(std::string_view pattern);

// --- files ---
std::string ParamStr0();  // full path of the running executable
std::string ExtractFilePath(std::string_view fileName);  // with the trailing backslash
std::string ExtractFileName(std::string_view fileName);
std::string ExtractFileExt(std::string_view fileName);  // with the dot
std::string ChangeFileExt(std::string_view fileName, std::string_view ext);
std::string IncludeTrailingPathDelimiter(std::string_view path);
bool FileExists(const std::string& fileName);
bool DirectoryExists(const std::string& path);
