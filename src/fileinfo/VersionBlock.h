#pragma once
// Version information blocks come in two layouts. The 16-bit layout (every Win32 file) stores each
// node as three 16-bit words (total length, value length, type), a UTF-16 key and a value; the
// 8-bit layout stores two 16-bit lengths, an 8-bit key and a value. The version reader searches the
// 8-bit layout, so a block in the 16-bit layout is first converted into it.
#include <functional>
#include <string>
#include <string_view>

// Turns a UTF-16 text into the system code page (the program uses the ANSI code page).
using CodePageConverter = std::function<std::string(std::u16string_view)>;

// True when the block starts with a node of the 16-bit layout: its third word is the node type
// (0 or 1), where a block in the 8-bit layout holds the first character of its key.
bool IsWideLayout(std::string_view block);

// Rewrites every node of a 16-bit layout block into the 8-bit layout, in the same order: header of
// two 16-bit lengths, key, zero byte, zero bytes up to the node's next 4-byte boundary, then the
// value (a text value converted and followed by a zero byte, a binary value copied), then the
// children, each node starting on a 4-byte boundary. Nodes that run past their parent or the block
// are cut there; a node too short for its header, of an unknown type or without a key ends the list
// it stands in. Runs in time linear in the block size and never reads outside the block.
std::string ToNarrowLayout(std::string_view block, const CodePageConverter& toCodePage);

// The text the key search runs on: the block converted when it is in the 16-bit layout (kept in
// storage), otherwise the block itself.
std::string_view SearchText(std::string_view block, const CodePageConverter& toCodePage, std::string& storage);
