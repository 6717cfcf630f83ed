#pragma once
// The receive buffer of a reply body. Growing it never copies the bytes held
// (pages are remapped), so reading a large body needs little more memory than
// the body itself.
#include <cstddef>

namespace velmora {

class ReceiveBuffer {
 public:
  ReceiveBuffer() = default;
  ~ReceiveBuffer();
  ReceiveBuffer(const ReceiveBuffer&) = delete;
  ReceiveBuffer& operator=(const ReceiveBuffer&) = delete;

  // Makes the buffer exactly capacity bytes, keeping the bytes that fit.
  // False (and the buffer unchanged) when the memory cannot be had.
  bool resize(std::size_t capacity);
  // Gives the memory back; capacity becomes 0.
  void release();

  char* data() { return data_; }
  const char* data() const { return data_; }
  std::size_t capacity() const { return capacity_; }
  bool allocated() const { return data_ != nullptr; }

 private:
  char* data_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t mapped_ = 0;  // bytes mapped: capacity rounded up to whole pages
};

}  // namespace velmora
