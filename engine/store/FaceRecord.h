#pragma once
// One registered face as the face set keeps it, and one answer of a search.
#include <string>

#include "engine/network/FaceChip.h"

namespace velmora::engine {

struct FaceRecord {
  std::string groupId;
  std::string userId;
  std::string userInfo;
  std::string faceToken;
  Embedding embedding{};
};

// A user of the face set that resembles the probe: the user's closest face.
struct FaceHit {
  std::string groupId;
  std::string userId;
  std::string userInfo;   // as given when that closest face was added
  std::string faceToken;  // the token of that closest face
  float distance = 0;     // Euclidean distance between the embeddings
};

}  // namespace velmora::engine
