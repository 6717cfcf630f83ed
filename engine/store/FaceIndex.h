#pragma once
// The face set in memory: every embedding in one contiguous array, scanned
// with a tight loop on each search. Not thread-safe by itself; FaceSet guards it.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/store/FaceRecord.h"

namespace velmora::engine {

// Squared Euclidean distance over the 128 components, written so that the
// compiler can keep eight independent sums in vector registers.
float squaredDistance(const float* a, const float* b);

class FaceIndex {
 public:
  void append(const FaceRecord& face);

  // True when the user already has a face with this token, or one whose
  // embedding lies within sameFaceDistance of the given one.
  bool userHasFace(const std::string& groupId, const std::string& userId,
                   const std::string& faceToken, const Embedding& embedding,
                   float sameFaceDistance) const;

  // Users of the given groups, closest first, each with its closest face; at
  // most maxUsers of them. Groups the index does not know contribute nothing.
  std::vector<FaceHit> search(const std::vector<std::string>& groupIds, const Embedding& probe,
                              std::size_t maxUsers) const;

  std::size_t size() const { return faceUser_.size(); }

 private:
  struct User {
    std::uint32_t group;
    std::string userId;
    std::vector<std::uint32_t> faces;
  };

  std::uint32_t groupNumber(const std::string& groupId);
  std::uint32_t userNumber(std::uint32_t group, const std::string& userId);
  const User* findUser(const std::string& groupId, const std::string& userId) const;
  const float* embeddingOf(std::uint32_t face) const { return &embeddings_[face * kDimensions]; }

  static constexpr std::size_t kDimensions = std::tuple_size_v<Embedding>;

  std::vector<std::string> groupIds_;
  std::unordered_map<std::string, std::uint32_t> groupNumbers_;
  std::vector<User> users_;
  std::unordered_map<std::string, std::uint32_t> userNumbers_;  // key: group number, NUL, user id

  // One entry per face, in the order they were added.
  std::vector<float> embeddings_;  // kDimensions floats per face
  std::vector<std::uint32_t> faceUser_;
  std::vector<std::uint32_t> faceGroup_;
  std::vector<std::string> faceTokens_;
  std::vector<std::string> faceInfos_;
};

}  // namespace velmora::engine
