#include "engine/store/FaceIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmora::engine {

float squaredDistance(const float* a, const float* b) {
  constexpr std::size_t kLanes = 8;
  float sums[kLanes] = {};
  for (std::size_t i = 0; i < std::tuple_size_v<Embedding>; i += kLanes) {
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      const float d = a[i + lane] - b[i + lane];
      sums[lane] += d * d;
    }
  }
  float total = 0;
  for (float sum : sums) total += sum;
  return total;
}

void FaceIndex::append(const FaceRecord& face) {
  const std::uint32_t group = groupNumber(face.groupId);
  const std::uint32_t user = userNumber(group, face.userId);
  const auto number = static_cast<std::uint32_t>(faceUser_.size());
  embeddings_.insert(embeddings_.end(), face.embedding.begin(), face.embedding.end());
  faceUser_.push_back(user);
  faceGroup_.push_back(group);
  faceTokens_.push_back(face.faceToken);
  faceInfos_.push_back(face.userInfo);
  users_[user].faces.push_back(number);
}

bool FaceIndex::userHasFace(const std::string& groupId, const std::string& userId,
                            const std::string& faceToken, const Embedding& embedding,
                            float sameFaceDistance) const {
  const User* user = findUser(groupId, userId);
  if (!user) return false;
  const float limit = sameFaceDistance * sameFaceDistance;
  return std::any_of(user->faces.begin(), user->faces.end(), [&](std::uint32_t face) {
    return faceTokens_[face] == faceToken ||
           squaredDistance(embeddingOf(face), embedding.data()) <= limit;
  });
}

std::vector<FaceHit> FaceIndex::search(const std::vector<std::string>& groupIds,
                                       const Embedding& probe, std::size_t maxUsers) const {
  std::vector<char> wanted(groupIds_.size(), 0);
  for (const std::string& groupId : groupIds) {
    if (auto found = groupNumbers_.find(groupId); found != groupNumbers_.end()) {
      wanted[found->second] = 1;
    }
  }

  // The closest face of every user in the wanted groups, in one pass.
  constexpr float kNone = std::numeric_limits<float>::infinity();
  constexpr std::uint32_t kNoFace = std::numeric_limits<std::uint32_t>::max();
  std::vector<float> best(users_.size(), kNone);
  std::vector<std::uint32_t> bestFace(users_.size(), kNoFace);
  const float* embedding = embeddings_.data();
  for (std::uint32_t face = 0; face < faceUser_.size(); ++face, embedding += kDimensions) {
    if (!wanted[faceGroup_[face]]) continue;
    const float d = squaredDistance(embedding, probe.data());
    const std::uint32_t user = faceUser_[face];
    if (d < best[user]) {
      best[user] = d;
      bestFace[user] = face;
    }
  }

  std::vector<std::uint32_t> found;
  for (std::uint32_t user = 0; user < users_.size(); ++user) {
    if (bestFace[user] != kNoFace) found.push_back(user);
  }
  // Closest first; among equal distances the user registered first.
  const auto closer = [&](std::uint32_t a, std::uint32_t b) {
    return best[a] < best[b] || (best[a] == best[b] && a < b);
  };
  const std::size_t count = std::min(maxUsers, found.size());
  std::partial_sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(count), found.end(),
                    closer);

  std::vector<FaceHit> hits;
  hits.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const User& user = users_[found[i]];
    const std::uint32_t face = bestFace[found[i]];
    hits.push_back({groupIds_[user.group], user.userId, faceInfos_[face], faceTokens_[face],
                    std::sqrt(best[found[i]])});
  }
  return hits;
}

std::uint32_t FaceIndex::groupNumber(const std::string& groupId) {
  auto [entry, added] =
      groupNumbers_.try_emplace(groupId, static_cast<std::uint32_t>(groupIds_.size()));
  if (added) groupIds_.push_back(groupId);
  return entry->second;
}

static std::string userKey(std::uint32_t group, const std::string& userId) {
  std::string key = std::to_string(group);
  key.push_back('\0');
  key += userId;
  return key;
}

std::uint32_t FaceIndex::userNumber(std::uint32_t group, const std::string& userId) {
  auto [entry, added] =
      userNumbers_.try_emplace(userKey(group, userId), static_cast<std::uint32_t>(users_.size()));
  if (added) users_.push_back({group, userId, {}});
  return entry->second;
}

const FaceIndex::User* FaceIndex::findUser(const std::string& groupId,
                                           const std::string& userId) const {
  const auto group = groupNumbers_.find(groupId);
  if (group == groupNumbers_.end()) return nullptr;
  const auto user = userNumbers_.find(userKey(group->second, userId));
  return user == userNumbers_.end() ? nullptr : &users_[user->second];
}

}  // namespace velmora::engine
