#pragma once
// Whether the user's short date format writes the year with four digits.
#include <string_view>

// Set when the library starts, from the locale's short date format.
extern bool acFourDigitYear;

// True when "YYYY" occurs in the upper-cased format.
bool HasFourDigitYear(std::string_view ShortDateFormat);
// The locale's short date format (LOCALE_SSHORTDATE of the user's locale).
std::string_view LocaleShortDateFormat();
