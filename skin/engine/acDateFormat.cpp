#include "acDateFormat.h"

#include "classlib/runtime/SysUtils.h"

#include <windows.h>

#include <string>

bool HasFourDigitYear(std::string_view ShortDateFormat) {
    return UpperCase(ShortDateFormat).find("YYYY") != std::string::npos;
}

std::string_view LocaleShortDateFormat() {
    static const std::string format = [] {
        char buffer[100] = {};
        // A locale without the entry leaves the buffer empty: no four-digit year, as for an unknown format.
        GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buffer, sizeof buffer);
        return std::string(buffer);
    }();
    return format;
}

bool acFourDigitYear = HasFourDigitYear(LocaleShortDateFormat());
