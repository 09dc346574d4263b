// Load time of the shipped S3 catalogue and of a full synthetic one (28
// groups of 64 parameters, every key written). The full one must stay under
// 5 ms: the view and the worker load the catalogue on every connect.
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "common/program_path.h"
#include "params/catalogue_loader.h"
#include "support/temp_dir.h"
#include "text/strformat.h"

namespace zt {
namespace {

std::string FullCatalogueText() {
  std::string t = "[application]\r\nproduct=ZR-3100\r\nlanguage=CN\r\n[group]\r\ncount=28\r\n";
  for (int g = 1; g <= 28; ++g) {
    t += Format("[group%d]\r\nname=group %d\r\ncount=64\r\nchn=-1\r\ndtu_run_type=0x0f\r\n", g, g);
    for (int n = 1; n <= 64; ++n) {
      t += Format("[group%d_parm%d]\r\ncode=0x%04x\r\ntype=INT2\r\nname=parameter %d of %d\r\n", g, n,
                  g * 256 + n, n, g);
      t += Format("short_name=P%dX%d\r\nis_const_param=0\r\ndefault=%d\r\n", g, n, n);
      t += "tip=a plain explanation of the parameter, 1~65535\r\nfixed_length=0\r\nlength=5\r\n";
      t += "is_cust_param=0\r\nrelation_code=\r\nis_check_range=1\r\nvalue_range=0,1~65535\r\n";
      t += "is_ipaddr=0\r\nis_list=1\r\nlist_options=TCP,UDP,HTTP\r\nlist_value=0,1,2\r\n";
      t += "is_list_custom=1\r\nis_password=0\r\nreadonly=0\r\nis_common_param=0\r\n";
      t += "is_spec_ascstr=1\r\nspec_ascstr_first=abcdefghij\r\nspec_ascstr_other=abcdefghij0123456789\r\n";
    }
  }
  return t;
}

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
  const std::string text = FullCatalogueText();
  test::WriteFileBytes(dir.File("dtuparam_s3.ini"), text);
  state.counters["file_bytes"] = static_cast<double>(text.size());
  LoadFrom(state, dir.path());
}
BENCHMARK(BM_LoadFull28x64)->Unit(benchmark::kMillisecond);

// The whole swap as the worker does it: a fresh table, the load, the swap.
void BM_LoadSharedFull28x64(benchmark::State& state) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("dtuparam_s3.ini"), FullCatalogueText());
  SharedCatalogue shared;
  for (auto _ : state) {
    benchmark::DoNotOptimize(LoadCatalogue(shared, dir.path(), FileVariant::kS3).status);
  }
}
BENCHMARK(BM_LoadSharedFull28x64)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zt

BENCHMARK_MAIN();
