#pragma once
// Builders of version blocks in both layouts, for tests, the fuzz target and the benchmark.
#include <string>
#include <string_view>
#include <vector>

namespace testblocks {

inline std::string Word(size_t value) { return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}; }

inline std::string Utf16(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) bytes += Word(c);
  return bytes;
}

inline void Pad(std::string& bytes) { bytes.append((4 - bytes.size() % 4) % 4, '\0'); }

// Appends a node's value and its children, each at a 4-byte boundary, and sets its length.
inline std::string Close(std::string node, const std::string& value, const std::vector<std::string>& children) {
  Pad(node);
  node += value;
  for (const std::string& child : children) {
    Pad(node);
    node += child;
  }
  return node.replace(0, 2, Word(node.size()));
}

// A node of the 16-bit layout: type 1 (text, length in characters) or 0 (binary, in bytes).
inline std::string WideNode(std::u16string_view key, int type, const std::string& value, size_t valueLength,
                            const std::vector<std::string>& children = {}) {
  return Close(Word(0) + Word(valueLength) + Word(static_cast<size_t>(type)) + Utf16(key) + Word(0), value, children);
}
inline std::string WideText(std::u16string_view key, std::u16string_view value) {
  return WideNode(key, 1, Utf16(value) + Word(0), value.size() + 1);
}
inline std::string WideTree(std::u16string_view key, const std::vector<std::string>& children) {
  return WideNode(key, 1, "", 0, children);
}

// A node of the 8-bit layout: a string entry when value is text, a container when children are given.
inline std::string NarrowNode(std::string_view key, const std::string& value,
                              const std::vector<std::string>& children = {}) {
  return Close(Word(0) + Word(value.size()) + std::string(key) + '\0', value, children);
}
inline std::string NarrowText(std::string_view key, std::string_view value) {
  return NarrowNode(key, std::string(value) + '\0');
}

// The fixed information of a version block (52 bytes, binary).
inline std::string FixedInfo() { return std::string(52, '\xA0'); }

// A code page for tests: ASCII as it is, every other character as '?'.
inline std::string AsciiCodePage(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace testblocks
