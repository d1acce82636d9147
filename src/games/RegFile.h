#pragma once
// The copy a removal saves before it deletes: registry keys as a .reg file that the system's
// registry editor imports ("Windows Registry Editor Version 5.00"), each value written so that the
// import gives back its exact bytes and type.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace games {

struct Value {
  std::wstring name;  // empty: the key's default value
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const Value&) const = default;
};

struct Key {
  std::wstring name;  // the full name the editor reads, "HKEY_LOCAL_MACHINE\SOFTWARE\..."
  std::vector<Value> values;
  bool operator==(const Key&) const = default;
};

// The file's text, lines ended by CR LF, keys in the order given (a key before its sub-keys).
// Nothing when a key or value name holds a line break, which the format cannot carry.
std::optional<std::wstring> Text(const std::vector<Key>& keys);

// The hives a removed key can live in.
enum class RegFileHive { LocalMachine, CurrentUser };

// The full name of the key at path (below "Software\Classes" for classes) in hive, as the 64-bit
// registry editor names it. wow64: the path was read by a 32-bit program on 64-bit Windows, whose
// view of the classes' CLSID, Interface and other redirected trees lies under Wow6432Node. The
// type libraries and the rest of the classes are shared by both views.
std::wstring KeyName(RegFileHive hive, const std::wstring& path, bool wow64);

struct Stamp {
  int year, month, day, hour, minute, second;
};

// The copy's file name: the entry's name with the characters a file name may not hold replaced,
// the date and time, and, for the second file and later of the same second, a number.
std::wstring FileName(const std::wstring& entryName, const Stamp& when, int number);

}  // namespace games
