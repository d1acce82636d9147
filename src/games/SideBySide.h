#pragma once
// Reading a long list side by side. Each entry of the Games list costs a few registry reads, each of
// which waits its turn; a few threads reading at once keep the processors busy meanwhile.
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace games {

// How many threads read at once: the calling thread and three more (more gave nothing more).
inline constexpr size_t kReaders = 4;

// How many blocks ReadSideBySide makes of count indexes: enough for every reader to take a few, of
// 8 to 64 indexes each.
size_t BlockCount(size_t count);

// Calls readBlock(reader, block, first, end) for each block [first, end) of the indexes [0, count),
// on the calling thread (reader 0) and, for a list of more than one block, on up to kReaders - 1 more
// (readers 1 and up), each reader taking the next block until none is left or stop() holds.
// readBlock must be safe to call from several threads at once: a reader's own state goes in slot
// `reader` of the caller's, what it finds in slot `block` of BlockCount(count) (then InListOrder puts
// it in the list's order). Returns when every reader has returned: true when every block was read.
bool ReadSideBySide(size_t count,
                    const std::function<void(size_t reader, size_t block, size_t first, size_t end)>& readBlock,
                    const std::function<bool()>& stop);

// What was found block by block, as one list.
template <typename Found>
std::vector<Found> InListOrder(std::vector<std::vector<Found>>& byBlock) {
  std::vector<Found> all;
  for (auto& block : byBlock)
    for (auto& item : block) all.push_back(std::move(item));
  return all;
}

}  // namespace games
