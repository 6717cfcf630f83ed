#include "json/HeapMemory.h"

#include <cstdlib>

namespace velmora {

HeapMemory::HeapMemory(std::size_t capBytes) : cap_(capBytes) {}

HeapMemory::~HeapMemory() { releaseAll(); }

void* HeapMemory::allocate(void* self, std::size_t size) {
  return static_cast<HeapMemory*>(self)->allocateBlock(size);
}

void* HeapMemory::reallocate(void* self, void* block, std::size_t size) {
  return static_cast<HeapMemory*>(self)->resizeBlock(block, size);
}

void HeapMemory::release(void* self, void* block) {
  static_cast<HeapMemory*>(self)->releaseBlock(block);
}

void* HeapMemory::allocateBlock(std::size_t size) {
  if (size > cap_ - inUse_) return nullptr;
  auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
  if (header == nullptr) return nullptr;
  header->size = size;
  link(header);
  inUse_ += size;
  return header + 1;
}

void* HeapMemory::resizeBlock(void* block, std::size_t size) {
  if (block == nullptr) return allocateBlock(size);
  if (size == 0) {
    releaseBlock(block);
    return nullptr;
  }
  Header* header = static_cast<Header*>(block) - 1;
  const std::size_t oldSize = header->size;
  if (size > oldSize && size - oldSize > cap_ - inUse_) return nullptr;
  // The block leaves the list while realloc may move it, and comes back at
  // its new address (or its old one when realloc fails).
  unlink(header);
  auto* moved = static_cast<Header*>(std::realloc(header, sizeof(Header) + size));
  if (moved == nullptr) {
    link(header);
    return nullptr;
  }
  moved->size = size;
  link(moved);
  inUse_ = inUse_ - oldSize + size;
  return moved + 1;
}

void HeapMemory::releaseBlock(void* block) {
  if (block == nullptr) return;
  Header* header = static_cast<Header*>(block) - 1;
  unlink(header);
  inUse_ -= header->size;
  std::free(header);
}

void HeapMemory::releaseAll() {
  while (first_ != nullptr) {
    Header* next = first_->next;
    std::free(first_);
    first_ = next;
  }
  inUse_ = 0;
}

void HeapMemory::link(Header* header) {
  header->prev = nullptr;
  header->next = first_;
  if (first_ != nullptr) first_->prev = header;
  first_ = header;
}

void HeapMemory::unlink(Header* header) {
  if (header->prev != nullptr) {
    header->prev->next = header->next;
  } else {
    first_ = header->next;
  }
  if (header->next != nullptr) header->next->prev = header->prev;
}

}  // namespace velmora
