#pragma once
// The score (0 to 100) the engine reports for two faces, from the Euclidean
// distance of their embeddings.
//
// The embedding model calls two faces the same person when their distance is
// under 0.6. The score is placed so that this decision distance lands exactly
// on 80, and a user who sets the similarity threshold to 80 gets the model's
// own decision:
//
//   distance d        score
//   0 .. 0.6          100 - 20 * d / 0.6     (100 down to 80)
//   0.6 .. 1.2        80 - 80 * (d - 0.6) / 0.6   (80 down to 0)
//   over 1.2          0
//
// The mapping falls monotonically with the distance. Scores are rounded to
// two decimals, except that a distance over 0.6 never rounds up to 80: such a
// pair scores at most 79.99. A negative distance counts as 0; a distance that
// is not a number scores 0.
namespace velmora::engine {

inline constexpr double kDecisionDistance = 0.6;
inline constexpr double kDecisionScore = 80.0;

double scoreFromDistance(double distance);

}  // namespace velmora::engine
