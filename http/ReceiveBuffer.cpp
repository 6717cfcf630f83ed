#include "http/ReceiveBuffer.h"

#include <sys/mman.h>
#include <unistd.h>

namespace velmora {

namespace {
std::size_t wholePages(std::size_t bytes) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return bytes == 0 ? page : (bytes + page - 1) / page * page;
}
}  // namespace

ReceiveBuffer::~ReceiveBuffer() { release(); }

bool ReceiveBuffer::resize(std::size_t capacity) {
  const std::size_t wanted = wholePages(capacity);
  void* mapped = nullptr;
  if (data_ == nullptr) {
    mapped = mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  } else if (wanted == mapped_) {
    mapped = data_;
  } else {
    mapped = mremap(data_, mapped_, wanted, MREMAP_MAYMOVE);
  }
  if (mapped == MAP_FAILED) return false;
  data_ = static_cast<char*>(mapped);
  mapped_ = wanted;
  capacity_ = capacity;
  return true;
}

void ReceiveBuffer::release() {
  if (data_ != nullptr) munmap(data_, mapped_);
  data_ = nullptr;
  capacity_ = 0;
  mapped_ = 0;
}

}  // namespace velmora
