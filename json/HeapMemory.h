#pragma once
// The memory of one script heap. Every block is counted against a cap, so a
// hostile or broken script runs out of memory inside its own heap instead of
// exhausting the machine, and every block is kept in a list, so a heap whose
// run had to be abandoned part-way (see ExecutionGuard) can still be released
// whole without asking the engine to tidy up.
#include <cstddef>

namespace velmora {

class HeapMemory {
 public:
  explicit HeapMemory(std::size_t capBytes);
  ~HeapMemory();  // releases every block still held
  HeapMemory(const HeapMemory&) = delete;
  HeapMemory& operator=(const HeapMemory&) = delete;

  // The three allocation functions handed to the engine; `self` is the
  // HeapMemory. They return null when the cap would be exceeded.
  static void* allocate(void* self, std::size_t size);
  static void* reallocate(void* self, void* block, std::size_t size);
  static void release(void* self, void* block);

  // Frees every block at once; the engine must not touch them afterwards.
  void releaseAll();

  std::size_t bytesInUse() const { return inUse_; }
  std::size_t capBytes() const { return cap_; }

 private:
  struct alignas(16) Header {
    Header* prev;
    Header* next;
    std::size_t size;
  };

  void* allocateBlock(std::size_t size);
  void* resizeBlock(void* block, std::size_t size);
  void releaseBlock(void* block);
  void link(Header* header);
  void unlink(Header* header);

  std::size_t cap_;
  std::size_t inUse_ = 0;
  Header* first_ = nullptr;
};

}  // namespace velmora
