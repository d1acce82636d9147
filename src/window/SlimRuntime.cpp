// Linked into the program only, to keep code of the static C++ runtime out that the program never
// runs. The linker keeps every unwind table it is given, and with each table the function it
// describes, so dropping unused sections takes nothing out of the runtime: an object of it that one
// symbol draws in comes whole. The definitions here keep three large ones from being drawn in.
//
// The default terminate handler names the type of an uncaught exception through the runtime's
// demangler (some 50 KB). The program has no console for that line to go to; without the demangler
// the handler writes the raw name and ends the program all the same.
#include <cxxabi.h>
#include <string>

namespace __cxxabiv1 {
extern "C" char* __cxa_demangle(const char*, char*, size_t*, int* status) {
  if (status) *status = -2;  // "not a name it can read"
  return nullptr;
}
}  // namespace __cxxabiv1

// The runtime's exception classes copy their messages with the two members below; defined here, they
// are all of std::string the runtime needs, instead of its copy of every member of the class (some
// 30 KB). SlimRuntimeCow.cpp does the same for the string type the exception classes keep.
template std::string::pointer std::string::_M_create(std::string::size_type&, std::string::size_type);
template void std::string::_M_assign(const std::string&);
