#pragma once
// Message catalogues (gettext): texts are looked up in text domains whose catalogues lie in
// locale/<language>/LC_MESSAGES/<domain>.mo beside the executable. The language comes from LC_ALL,
// LC_MESSAGES or LANG, else from the system's locale; "C" and "POSIX" mean no translation.
#include <string>

// The catalogue folder beside the executable ("...\locale").
std::string LocaleDirectory();
// Points domain at the catalogues under directory (LocaleDirectory() when empty).
void BindTextDomain(const std::string& domain, const std::string& directory = std::string());
// Binds domain beside the executable and adds it to the domains that GetText searches; adding twice is harmless.
void AddDomainForResourceString(const std::string& domain);
// The translation of msgid in domain, in the ANSI code page; msgid itself when the catalogue has none.
std::string DGetText(const std::string& domain, const char* msgid);
// The translation from the first added domain that has one; msgid itself when none has.
std::string GetText(const char* msgid);
