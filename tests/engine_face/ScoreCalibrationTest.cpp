#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/face/ScoreCalibration.h"

using velmora::engine::scoreFromDistance;

TEST(ScoreCalibration, PlacesTheModelsDecisionDistanceAt80) {
  const struct {
    double distance;
    double score;
  } cases[] = {
      {0.0, 100.0},  {0.15, 95.0},   {0.3, 90.0},  {0.5999, 80.0},  {0.6, 80.0},
      {0.60001, 79.99}, {0.6003, 79.96}, {0.9, 40.0}, {1.0, 26.67}, {1.2, 0.0},
      {1.5, 0.0},    {-0.2, 100.0},  {std::numeric_limits<double>::quiet_NaN(), 0.0},
      {std::numeric_limits<double>::infinity(), 0.0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(scoreFromDistance(c.distance), c.score) << "distance " << c.distance;
}

TEST(ScoreCalibration, FallsMonotonicallyAndSplitsAtTheDecisionDistance) {
  double previous = scoreFromDistance(0.0);
  for (int step = 1; step <= 15000; ++step) {
    const double distance = step / 10000.0;
    const double score = scoreFromDistance(distance);
    EXPECT_LE(score, previous) << "distance " << distance;
    EXPECT_EQ(score >= 80.0, distance <= 0.6) << "distance " << distance;
    EXPECT_EQ(std::round(score * 100) / 100, score) << "two decimals at distance " << distance;
    previous = score;
  }
}
