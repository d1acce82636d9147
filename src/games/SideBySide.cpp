#include "games/SideBySide.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

#include <windows.h>

namespace games {
namespace {

size_t BlockSize(size_t count) { return std::clamp<size_t>(count / (kReaders * 4), 8, 64); }

struct Shared {
  size_t count, size;
  const std::function<void(size_t, size_t, size_t, size_t)>& readBlock;
  const std::function<bool()>& stop;
  std::atomic<size_t> next{0};
  std::atomic<bool> outOfMemory{false};
};

struct Start {
  Shared* shared;
  size_t reader;
};

void Read(Shared& shared, size_t reader) {
  try {
    for (size_t block; !shared.outOfMemory && !shared.stop() && (block = shared.next.fetch_add(1)) * shared.size < shared.count;)
      shared.readBlock(reader, block, block * shared.size, std::min((block + 1) * shared.size, shared.count));
  } catch (const std::bad_alloc&) {
    shared.outOfMemory = true;
  }
}

DWORD WINAPI ReaderThread(void* start) {
  const Start* own = static_cast<const Start*>(start);
  Read(*own->shared, own->reader);
  return 0;
}

}  // namespace

size_t BlockCount(size_t count) { return (count + BlockSize(count) - 1) / BlockSize(count); }

bool ReadSideBySide(size_t count, const std::function<void(size_t, size_t, size_t, size_t)>& readBlock,
                    const std::function<bool()>& stop) {
  Shared shared{count, BlockSize(count), readBlock, stop};
  const size_t blocks = BlockCount(count), helpers = blocks > 1 ? std::min(kReaders, blocks) - 1 : 0;
  std::vector<Start> starts(helpers);
  std::vector<HANDLE> threads;
  for (size_t i = 0; i < helpers; ++i) {
    starts[i] = {&shared, i + 1};
    if (HANDLE thread = CreateThread(nullptr, 0, &ReaderThread, &starts[i], 0, nullptr)) threads.push_back(thread);
  }
  Read(shared, 0);
  if (!threads.empty()) WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
  for (HANDLE thread : threads) CloseHandle(thread);
  if (shared.outOfMemory) throw std::bad_alloc();
  return shared.next.load() >= blocks;
}

}  // namespace games
