#pragma once
// Rules of registration that need no Windows: which entry point a command letter selects, how
// the outcome of a finished entry point reads in the panel, and which dropped names count as heads.
#include <cstdint>
#include <string>

namespace registration {

// The entry point that a command letter selects, compared exactly and case-sensitively:
// "DllRegisterServer" for the empty letter, "DllUnregisterServer" for "u" or "U", null otherwise.
const char* EntryPointName(const std::wstring& commandLetter);

// An entry point's status counts as success unless it is negative as an HRESULT.
bool IsSuccessStatus(std::uint32_t status);

// The panel line for an entry point that returned status: "Process Successful." for a success,
// otherwise a failure line naming the status in hex and, when there is one, its system text.
std::wstring StatusLine(std::uint32_t status, const std::wstring& systemText);

// The panel line for an entry point that was ended by the exception exceptionCode.
std::wstring FaultLine(std::uint32_t exceptionCode);

// True when the last three characters of the path, lower-cased, are "ocx" (so "docx" passes too).
bool IsOcxName(const std::wstring& path);

}  // namespace registration
