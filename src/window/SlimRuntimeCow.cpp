// The members of the older, reference-counted std::string that the runtime's exception classes keep
// their messages in (see SlimRuntime.cpp): defined here, they are all of that class the program links
// (instead of some 30 KB).
#define _GLIBCXX_USE_CXX11_ABI 0
#include <string>

using CowString = std::string;
template void CowString::_Rep::_M_destroy(const std::allocator<char>&);
template void CowString::_Rep::_M_dispose(const std::allocator<char>&);
template char* CowString::_Rep::_M_clone(const std::allocator<char>&, CowString::size_type);
template CowString::_Rep* CowString::_Rep::_S_create(CowString::size_type, CowString::size_type,
                                                     const std::allocator<char>&);
template char* CowString::_S_construct(CowString::size_type, char, const std::allocator<char>&);
template void CowString::swap(CowString&);
template CowString& CowString::assign(const CowString&);
