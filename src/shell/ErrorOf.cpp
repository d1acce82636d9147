#include "shell/ErrorOf.h"

#include <new>

#include "platform/AnsiText.h"

RunTimeError ErrorOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const RunTimeError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return RunTimeError{7, L"", L"Out of memory"};
  } catch (const std::exception& e) {
    return RunTimeError{5, L"", FromAnsi(e.what())};
  } catch (...) {
    return RunTimeError{5, L"", L"Invalid procedure call or argument"};
  }
}
