#pragma once
// The memory of one script heap. Every block is counted against a cap, so a
// hostile or broken script runs out of memory inside its own heap (the engine
// raises its "alloc failed" error) instead of exhausting the machine.
#include <cstddef>

namespace velmora {

class HeapMemory {
 public:
  explicit HeapMemory(std::size_t capBytes) : cap_(capBytes) {}
  HeapMemory(const HeapMemory&) = delete;
  HeapMemory& operator=(const HeapMemory&) = delete;

  // The engine's three allocation functions. allocate and reallocate return
  // null when the cap would be exceeded (reallocate then keeps the block).
  void* allocate(std::size_t size);
  void* reallocate(void* block, std::size_t size);
  void release(void* block);

  std::size_t bytesInUse() const { return inUse_; }
  std::size_t capBytes() const { return cap_; }

 private:
  // Precedes every block; aligned so that the block keeps malloc's alignment.
  struct alignas(16) Header {
    std::size_t size;
  };

  std::size_t cap_;
  std::size_t inUse_ = 0;
};

}  // namespace velmora
