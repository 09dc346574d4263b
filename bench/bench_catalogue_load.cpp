// Load time of the shipped S3 catalogue and of a full synthetic one (28
// groups of 64 parameters, every key written). The full one must stay under
// 5 ms: the view and the worker load the catalogue on every connect.
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "common/program_path.h"
#include "params/catalogue_loader.h"
#include "support/synthetic_catalogue.h"
#include "support/temp_dir.h"
#include "text/strformat.h"

namespace zt {
namespace {

void LoadFrom(benchmark::State& state, const std::string& folder) {
  auto table = std::make_unique<CParamCatalogue>();
  for (auto _ : state) {
    const CatalogueLoadResult r = LoadCatalogueFile(folder, FileVariant::kS3, *table);
    if (!r.loaded()) {
      state.SkipWithError("the catalogue did not load");
      return;
    }
    benchmark::DoNotOptimize(table->groups[1].params[0].code);
  }
}

void BM_LoadShippedS3(benchmark::State& state) { LoadFrom(state, ProgramDirectory()); }
BENCHMARK(BM_LoadShippedS3)->Unit(benchmark::kMillisecond);

void BM_LoadFull28x64(benchmark::State& state) {
  test::TempDir dir;
  const std::string text = test::FullCatalogueText();
  test::WriteFileBytes(dir.File("dtuparam_s3.ini"), text);
  state.counters["file_bytes"] = static_cast<double>(text.size());
  LoadFrom(state, dir.path());
}
BENCHMARK(BM_LoadFull28x64)->Unit(benchmark::kMillisecond);

// The whole swap as the worker does it: a fresh table, the load, the swap.
void BM_LoadSharedFull28x64(benchmark::State& state) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("dtuparam_s3.ini"), test::FullCatalogueText());
  SharedCatalogue shared;
  for (auto _ : state) {
    benchmark::DoNotOptimize(LoadCatalogue(shared, dir.path(), FileVariant::kS3).status);
  }
}
BENCHMARK(BM_LoadSharedFull28x64)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zt

BENCHMARK_MAIN();
