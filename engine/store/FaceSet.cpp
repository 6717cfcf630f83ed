#include "engine/store/FaceSet.h"

#include <algorithm>
#include <cmath>

namespace velmora::engine {

static bool isFinite(const Embedding& embedding) {
  return std::all_of(embedding.begin(), embedding.end(), [](float value) { return std::isfinite(value); });
}

FaceSet::FaceSet(std::unique_ptr<FaceDatabase> database) : database_(std::move(database)) {}

FaceSet::Opened FaceSet::open(const std::string& path) {
  FaceDatabase::Opened opened = FaceDatabase::open(path);
  if (!opened.database) return {nullptr, opened.error};
  std::unique_ptr<FaceSet> faceSet(new FaceSet(std::move(opened.database)));
  const std::string error =
      faceSet->database_->forEachFace([&](const FaceRecord& face) { faceSet->index_.append(face); });
  if (!error.empty()) return {nullptr, error};
  return {std::move(faceSet), {}};
}

AddResult FaceSet::add(const std::string& groupId, const std::string& userId, const std::string& userInfo,
                       const std::string& faceToken, const Embedding& embedding) {
  if (groupId.empty()) return {AddStatus::Failed, "the group id is empty"};
  if (userId.empty()) return {AddStatus::Failed, "the user id is empty"};
  if (!isFinite(embedding)) return {AddStatus::Failed, "the embedding holds a value that is not a finite number"};

  const std::lock_guard write(writeLock_);
  // Only adds change the index and they all hold writeLock_: reading it here
  // needs no shared lock.
  if (index_.userHasFace(groupId, userId, faceToken, embedding, kSameFaceDistance)) {
    return {AddStatus::AlreadyRegistered, {}};
  }
  const FaceRecord face{groupId, userId, userInfo, faceToken, embedding};
  const FaceDatabase::InsertResult inserted = database_->insert(face);
  switch (inserted.status) {
    case FaceDatabase::InsertStatus::Duplicate:
      return {AddStatus::AlreadyRegistered, {}};
    case FaceDatabase::InsertStatus::Failed:
      return {AddStatus::Failed, inserted.error};
    case FaceDatabase::InsertStatus::Inserted:
      break;
  }
  const std::unique_lock append(indexLock_);
  index_.append(face);
  return {AddStatus::Added, {}};
}

std::vector<FaceHit> FaceSet::search(const std::vector<std::string>& groupIds, const Embedding& probe,
                                     std::size_t maxUsers) const {
  if (maxUsers == 0 || !isFinite(probe)) return {};
  const std::shared_lock read(indexLock_);
  return index_.search(groupIds, probe, maxUsers);
}

std::size_t FaceSet::size() const {
  const std::shared_lock read(indexLock_);
  return index_.size();
}

}  // namespace velmora::engine
