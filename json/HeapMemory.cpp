#include "json/HeapMemory.h"

#include <cstdlib>

namespace velmora {

void* HeapMemory::allocate(std::size_t size) {
  if (size > cap_ - inUse_) return nullptr;
  auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
  if (header == nullptr) return nullptr;
  header->size = size;
  inUse_ += size;
  return header + 1;
}

void* HeapMemory::reallocate(void* block, std::size_t size) {
  if (block == nullptr) return allocate(size);
  if (size == 0) {
    release(block);
    return nullptr;
  }
  Header* header = static_cast<Header*>(block) - 1;
  const std::size_t oldSize = header->size;
  if (size > oldSize && size - oldSize > cap_ - inUse_) return nullptr;
  auto* moved = static_cast<Header*>(std::realloc(header, sizeof(Header) + size));
  if (moved == nullptr) return nullptr;
  moved->size = size;
  inUse_ = inUse_ - oldSize + size;
  return moved + 1;
}

void HeapMemory::release(void* block) {
  if (block == nullptr) return;
  Header* header = static_cast<Header*>(block) - 1;
  inUse_ -= header->size;
  std::free(header);
}

}  // namespace velmora
