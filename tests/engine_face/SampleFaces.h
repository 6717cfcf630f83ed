#pragma once
// Faces cut from the sample photographs, and pictures made from them, for the
// tests of the face finder and the face embedder.
#include <string>

#include "engine/face/FaceFinder.h"
#include "engine/face/Picture.h"

namespace velmora::engine::testing {

// The landmark model and sample pictures are installed with the build's
// dependencies; without them these tests cannot run.
bool faceModelsPresent();

// One FaceFinder for the whole test program, loaded on first use.
const FaceFinder& sharedFaceFinder();

// sample<number>.jpg, decoded.
Picture samplePicture(int number);

// A face of a sample photograph with some of its surroundings: the square
// around the detected box, grown by half the box's side on each side.
struct SampleFace {
  int sample;
  int face;  // 0: the sample's largest face, and so on
};
Picture faceWithSurroundings(const SampleFace& which);

// A width x height grey picture with `part` scaled to `side` x `side` pixels
// pasted with its top left corner at (left, top).
Picture pictureWith(const Picture& part, long side, long left, long top, long width = 640, long height = 480);

}  // namespace velmora::engine::testing
