#include "fileinfo/VersionBlock.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

constexpr size_t kWideHeader = 6;     // total length, value length, type
constexpr uint16_t kTextNode = 1;     // the type of a node whose value is text
constexpr size_t kMaxNarrowLength = 0xFFFF;

size_t Align4(size_t offset) { return (offset + 3) & ~size_t{3}; }

uint16_t WordAt(std::string_view block, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(block[at]) |
                               static_cast<unsigned char>(block[at + 1]) << 8);
}

// One node of the 16-bit layout, its byte ranges already cut to its parent.
struct WideNode {
  size_t end = 0;
  bool text = false;
  size_t keyBegin = 0, keyEnd = 0;      // UTF-16 characters without the terminating zero
  size_t valueBegin = 0, valueEnd = 0;  // text: up to the first zero character
  size_t childrenBegin = 0;
};

// The end of the UTF-16 text starting at begin: its first zero character, or the last whole
// character before limit.
size_t TextEnd(std::string_view block, size_t begin, size_t limit) {
  size_t at = begin;
  while (at + 1 < limit && WordAt(block, at) != 0) at += 2;
  return std::min(at, begin + (limit - begin) / 2 * 2);
}

std::optional<WideNode> ReadNode(std::string_view block, size_t at, size_t limit) {
  if (at >= limit || limit - at < kWideHeader) return std::nullopt;
  const size_t length = WordAt(block, at);
  const size_t valueLength = WordAt(block, at + 2);
  const uint16_t type = WordAt(block, at + 4);
  if (length < kWideHeader || type > kTextNode) return std::nullopt;

  WideNode node;
  node.end = std::min(at + length, limit);
  node.text = type == kTextNode;
  node.keyBegin = at + kWideHeader;
  node.keyEnd = TextEnd(block, node.keyBegin, node.end);
  if (node.keyEnd == node.keyBegin) return std::nullopt;

  node.valueBegin = std::min(Align4(node.keyEnd + 2), node.end);
  const size_t valueBytes = node.text ? valueLength * size_t{2} : valueLength;
  const size_t declaredEnd = std::min(node.valueBegin + valueBytes, node.end);
  node.valueEnd = node.text ? TextEnd(block, node.valueBegin, declaredEnd) : declaredEnd;
  node.childrenBegin = std::min(Align4(node.valueBegin + valueBytes), node.end);
  return node;
}

class NarrowWriter {
 public:
  NarrowWriter(std::string_view block, const CodePageConverter& toCodePage)
      : block_(block), toCodePage_(toCodePage) {}

  // Writes the node's header, key and value; returns where its header starts.
  size_t Open(const WideNode& node) {
    Pad();
    const size_t header = out_.size();
    out_.append(4, '\0');
    out_ += Converted(node.keyBegin, node.keyEnd);
    out_ += '\0';
    Pad();
    const size_t valueStart = out_.size();
    if (!node.text) {
      out_.append(block_.substr(node.valueBegin, node.valueEnd - node.valueBegin));
    } else if (node.valueEnd > node.valueBegin || node.childrenBegin >= node.end) {
      // A string entry always ends its value with a zero byte, even when the value is empty.
      out_ += Converted(node.valueBegin, node.valueEnd);
      out_ += '\0';
    }
    PutWord(header + 2, out_.size() - valueStart);
    return header;
  }

  // Records the node's total length once its children are written.
  void Close(size_t header) { PutWord(header, out_.size() - header); }

  std::string Take() { return std::move(out_); }

 private:
  void Pad() { out_.append(Align4(out_.size()) - out_.size(), '\0'); }

  void PutWord(size_t at, size_t value) {
    const size_t word = std::min(value, kMaxNarrowLength);
    out_[at] = static_cast<char>(word & 0xFF);
    out_[at + 1] = static_cast<char>(word >> 8);
  }

  std::string Converted(size_t begin, size_t end) {
    text_.clear();
    for (size_t at = begin; at + 1 < end; at += 2) text_ += static_cast<char16_t>(WordAt(block_, at));
    return toCodePage_(text_);
  }

  std::string_view block_;
  const CodePageConverter& toCodePage_;
  std::string out_;
  std::u16string text_;
};

}  // namespace

bool IsWideLayout(std::string_view block) {
  return block.size() >= kWideHeader && WordAt(block, 4) <= kTextNode;
}

std::string ToNarrowLayout(std::string_view block, const CodePageConverter& toCodePage) {
  // Open nodes, innermost last: where the next child is read and where the node ends. The
  // outermost entry stands for the block itself, which may hold more than one tree.
  struct Level {
    size_t header;
    size_t next;
    size_t end;
  };
  constexpr size_t kNoHeader = static_cast<size_t>(-1);
  NarrowWriter writer(block, toCodePage);
  std::vector<Level> open{{kNoHeader, 0, block.size()}};
  while (!open.empty()) {
    Level& level = open.back();
    const std::optional<WideNode> node = ReadNode(block, level.next, level.end);
    if (!node) {
      if (level.header != kNoHeader) writer.Close(level.header);
      open.pop_back();
      continue;
    }
    level.next = Align4(node->end);
    const size_t header = writer.Open(*node);
    open.push_back({header, node->childrenBegin, node->end});
  }
  return writer.Take();
}

std::string_view SearchText(std::string_view block, const CodePageConverter& toCodePage, std::string& storage) {
  if (!IsWideLayout(block)) return block;
  storage = ToNarrowLayout(block, toCodePage);
  return storage;
}
