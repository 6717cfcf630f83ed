// Throughput of the two encoders on the sizes the service requests carry:
// base64Encode of a 5 MB picture, urlEncode of 7 MB of Base64 text.
#include <benchmark/benchmark.h>

#include <random>

#include "vision/Base64.h"
#include "vision/UrlEncode.h"

namespace {

velmora::Bytes randomBytes(std::size_t size) {
  std::mt19937_64 random(42);
  velmora::Bytes data(size, '\0');
  for (char& c : data) c = static_cast<char>(random());
  return data;
}

void Base64Encode5MB(benchmark::State& state) {
  const velmora::Bytes picture = randomBytes(5'000'000);
  for (auto _ : state) benchmark::DoNotOptimize(velmora::base64Encode(picture));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(picture.size()));
}
BENCHMARK(Base64Encode5MB)->Unit(benchmark::kMillisecond);

void UrlEncode7MBBase64(benchmark::State& state) {
  const velmora::Text base64 = velmora::base64Encode(randomBytes(5'250'000));  // 7,000,000 characters
  const bool keepUnreserved = state.range(0) != 0;
  for (auto _ : state) benchmark::DoNotOptimize(velmora::urlEncode(base64, keepUnreserved));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(base64.size()));
}
BENCHMARK(UrlEncode7MBBase64)->Arg(0)->Arg(1)->ArgName("keepUnreserved")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
