// Micro-benchmarks of the two computations whose cost grows with the input.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include "numbers/divisor_sum.hpp"
#include "numbers/staircase.hpp"

namespace {

// /dev/null takes the bytes without copying them: what is left is the
// cost of rendering the rows and handing them over.
void StaircaseToDevNull(benchmark::State& state) {
  int const fd = open("/dev/null", O_WRONLY);
  auto const n = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    write_staircase(fd, n);
  }
  close(fd);
  std::int64_t bytes = 0;
  for (std::int64_t i = 1; i < n; ++i) {
    bytes += (n - i) + i * static_cast<std::int64_t>(std::to_string(i).size()) + 1;
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(StaircaseToDevNull)->Arg(100)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void DivisorSum(benchmark::State& state) {
  auto const n = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(divisor_sum(n));
  }
}
BENCHMARK(DivisorSum)->Arg(496)->Arg(2147483646)->Arg(2147483647)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
