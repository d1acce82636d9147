#pragma once
// The run-time error that an exception caught by an error handler stands for: its number, source
// and description, as the handlers of this folder report them.
#include <exception>

#include "platform/RunTimeError.h"

RunTimeError ErrorOf(std::exception_ptr error);
