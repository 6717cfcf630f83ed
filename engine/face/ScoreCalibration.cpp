#include "engine/face/ScoreCalibration.h"

#include <algorithm>
#include <cmath>

namespace velmora::engine {

namespace {

double unroundedScore(double d) {
  if (d <= kDecisionDistance) return 100.0 - (100.0 - kDecisionScore) * d / kDecisionDistance;
  return kDecisionScore - kDecisionScore * (d - kDecisionDistance) / kDecisionDistance;
}

}  // namespace

double scoreFromDistance(double distance) {
  if (std::isnan(distance)) return 0.0;
  const double d = std::max(0.0, distance);
  const double score = std::clamp(unroundedScore(d), 0.0, 100.0);
  const double rounded = std::round(score * 100.0) / 100.0;
  if (d > kDecisionDistance && rounded >= kDecisionScore) return kDecisionScore - 0.01;
  return rounded;
}

}  // namespace velmora::engine
