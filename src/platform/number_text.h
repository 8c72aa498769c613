// Numbers as the user sees them, and numbers as text files hold them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brumel {

// The general decimal form: rounded to 15 significant digits, trailing zeros dropped,
// never an exponent, with the given decimal separator ("1", "0.07", "-0.5", "1,8").
std::string FormatNumber(double value, char decimalSeparator = '.');

// The user's decimal separator, from the C library's LC_NUMERIC locale.
char UserDecimalSeparator();

// A whole decimal token with "." as the decimal point whatever the locale: optional sign,
// digits, optional fraction, optional exponent. Nothing else may follow.
std::optional<double> ParseNumber(std::string_view text);

}  // namespace brumel
