#pragma once
// A run-time error: a number, a source and a description, as the boxes that report one show it,
// and the exception that carries one to its handler.
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/NumberText.h"

struct RunTimeError {
  long Number = 0;
  std::wstring Source;
  std::wstring Description;
};

inline constexpr wchar_t kErrorSource[] = L"VeskInstaller";

class RunTimeFault : public std::runtime_error {
 public:
  RunTimeFault(long number, std::wstring description, std::wstring source = kErrorSource)
      : std::runtime_error(WhatText(number)),
        error_{number, std::move(source), std::move(description)} {}
  const RunTimeError& Error() const { return error_; }

 private:
  static std::string WhatText(long number) {
    const std::wstring digits = DecimalText(number);  // only digits and a sign: plain ASCII
    std::string text = "run-time error ";
    for (const wchar_t c : digits) text += static_cast<char>(c);
    return text;
  }

  RunTimeError error_;
};
