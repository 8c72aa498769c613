#include "platform/number_text.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace brumel {

namespace {

// Places the digits of a value rounded to 15 significant digits around the decimal point.
// digits holds no trailing zeros; exponent10 is the power of ten of the first digit.
std::string FixedFromDigits(const std::string& digits, int exponent10, char separator) {
  std::string text;
  if (exponent10 < 0) {
    text = "0";
    text += separator;
    text.append(static_cast<std::size_t>(-exponent10 - 1), '0');
    text += digits;
    return text;
  }
  const auto integerDigits = static_cast<std::size_t>(exponent10) + 1;
  if (digits.size() <= integerDigits) {
    text = digits;
    text.append(integerDigits - digits.size(), '0');
    return text;
  }
  text = digits.substr(0, integerDigits);
  text += separator;
  text += digits.substr(integerDigits);
  return text;
}

}  // namespace

std::string FormatNumber(double value, char decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  char buffer[64];
  // d.dddddddddddddde+XX: the 15 significant digits and the exponent, rounded by the C library.
  // The point is the C library's own, a "," under many users' locales.
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  std::string digits;
  const char* p = buffer;
  for (; *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') digits += *p;
  }
  const int exponent10 = std::atoi(p + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string text = FixedFromDigits(digits, exponent10, decimalSeparator);
  return value < 0 ? "-" + text : text;
}

char UserDecimalSeparator() {
  const std::lconv* conventions = std::localeconv();
  if (conventions && conventions->decimal_point && std::strlen(conventions->decimal_point) == 1)
    return conventions->decimal_point[0];
  return '.';
}

std::optional<double> ParseNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::string_view body = text;
  // from_chars takes no leading "+": strip one, and refuse a second sign after it.
  const bool plus = body.front() == '+';
  if (plus) body.remove_prefix(1);
  if (body.empty() || (plus && (body.front() == '+' || body.front() == '-'))) return std::nullopt;
  double value = 0;
  const auto [end, error] =
      std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) return std::nullopt;
  if (error != std::errc() || end != body.data() + body.size()) return std::nullopt;
  // from_chars accepts "inf" and "nan"; a version number is digits only.
  for (char c : body) {
    if (c == 'i' || c == 'I' || c == 'n' || c == 'N') return std::nullopt;
  }
  return value;
}

}  // namespace brumel
