#include "Intl.h"

#include "SysUtils.h"

#include <libintl.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// libintl is built without threads: one lookup at a time.
std::mutex& IntlLock() {
    static std::mutex lock;
    return lock;
}

std::vector<std::string>& SearchedDomains() {
    static std::vector<std::string> domains;
    return domains;
}

// The catalogue's charset from its header entry (the translation of "").
std::string CatalogueCharset(const std::string& domain) {
    std::string header = dgettext(domain.c_str(), "");
    size_t at = header.find("charset=");
    if (at == std::string::npos)
        return std::string();
    size_t end = header.find_first_of(" \n;", at + 8);
    return UpperCase(header.substr(at + 8, end == std::string::npos ? std::string::npos : end - at - 8));
}

// Catalogues are normally UTF-8 while the program speaks the ANSI code page. Characters that the code page
// lacks become its default character; that is still better than showing UTF-8 bytes as Latin letters.
std::string Utf8ToAnsi(const std::string& text) {
    int wide = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wide <= 0)
        return text;  // not valid UTF-8 after all: keep the bytes as they are
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), w.data(), wide);
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), wide, out.data(), n, nullptr, nullptr);
    return out;
}

std::string Lookup(const std::string& domain, const char* msgid) {
    const char* found = dgettext(domain.c_str(), msgid);
    if (found == msgid || !found)
        return msgid;
    std::string text = found;
    std::string charset = CatalogueCharset(domain);
    if (charset == "UTF-8" || charset == "UTF8")
        text = Utf8ToAnsi(text);
    return text;
}

}  // namespace

std::string LocaleDirectory() { return ExtractFilePath(ParamStr0()) + "locale"; }

void BindTextDomain(const std::string& domain, const std::string& directory) {
    std::string dir = directory.empty() ? LocaleDirectory() : directory;
    std::lock_guard<std::mutex> guard(IntlLock());
    if (!bindtextdomain(domain.c_str(), dir.c_str()))
        throw EOutOfResources("Cannot bind the text domain " + domain);
}

void AddDomainForResourceString(const std::string& domain) {
    BindTextDomain(domain);
    std::lock_guard<std::mutex> guard(IntlLock());
    auto& domains = SearchedDomains();
    if (std::find(domains.begin(), domains.end(), domain) == domains.end())
        domains.push_back(domain);
}

std::string DGetText(const std::string& domain, const char* msgid) {
    if (!msgid || !*msgid)
        return std::string();  // "" would give the catalogue's header
    std::lock_guard<std::mutex> guard(IntlLock());
    return Lookup(domain, msgid);
}

std::string GetText(const char* msgid) {
    if (!msgid || !*msgid)
        return std::string();
    std::lock_guard<std::mutex> guard(IntlLock());
    for (const std::string& domain : SearchedDomains()) {
        const char* found = dgettext(domain.c_str(), msgid);
        if (found && found != msgid)
            return Lookup(domain, msgid);
    }
    return msgid;
}
