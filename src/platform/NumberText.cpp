#include "platform/NumberText.h"

namespace {

std::wstring Digits(unsigned long long number, unsigned base, std::size_t minDigits, const wchar_t* digits) {
  std::wstring text;
  do {
    text.insert(text.begin(), digits[number % base]);
    number /= base;
  } while (number != 0);
  if (text.size() < minDigits) text.insert(0, minDigits - text.size(), L'0');
  return text;
}

}  // namespace

std::wstring DecimalText(long long number, std::size_t minDigits) {
  // The magnitude in unsigned arithmetic: the most negative number has no positive counterpart.
  const unsigned long long magnitude = number < 0 ? 0ull - static_cast<unsigned long long>(number)
                                                  : static_cast<unsigned long long>(number);
  const std::wstring text = Digits(magnitude, 10, minDigits, L"0123456789");
  return number < 0 ? L"-" + text : text;
}

std::wstring HexText(unsigned long long number, std::size_t minDigits, bool lowerCase) {
  return Digits(number, 16, minDigits, lowerCase ? L"0123456789abcdef" : L"0123456789ABCDEF");
}
