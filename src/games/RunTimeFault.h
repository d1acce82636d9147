#pragma once
// A run-time error raised as an exception: the error's number, source and description travel with
// it to the handler that reports it.
#include <stdexcept>
#include <string>
#include <utility>

#include "app/RunTimeError.h"

inline constexpr wchar_t kErrorSource[] = L"VeskInstaller";

class RunTimeFault : public std::runtime_error {
 public:
  RunTimeFault(long number, std::wstring description, std::wstring source = kErrorSource)
      : std::runtime_error("run-time error " + std::to_string(number)),
        error_{number, std::move(source), std::move(description)} {}
  const RunTimeError& Error() const { return error_; }

 private:
  RunTimeError error_;
};
