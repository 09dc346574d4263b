// The query's base pass over a 40 KB "AT+GETPARAM?" reply against a full
// catalogue (28 groups of 64 parameters): the target is below 5 ms.
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "params/catalogue_loader.h"
#include "support/synthetic_catalogue.h"
#include "text/strformat.h"
#include "worker/query_parser.h"

namespace zt {
namespace {

// Every keyword once, then filler lines of keywords the catalogue does not
// know, up to 40 KB.
std::string ReplyText() {
  std::string reply;
  for (int g = 1; g <= 28; ++g) {
    for (int n = 1; n <= 64; ++n) reply += Format("P%dX%d=%d\r\n", g, n, (g * 64 + n) % 65535);
  }
  for (int k = 0; reply.size() < 40900; ++k) reply += Format("FILLER%d=0123456789\r\n", k);
  return reply + "OK";
}

void BM_BasePassFullCatalogue40KB(benchmark::State& state) {
  auto table = std::make_unique<CParamCatalogue>();
  if (!LoadCatalogueText(test::FullCatalogueText(), FileVariant::kS3, *table).loaded()) {
    state.SkipWithError("the catalogue did not load");
    return;
  }
  const std::string reply = ReplyText();
  state.counters["reply_bytes"] = static_cast<double>(reply.size());
  for (auto _ : state) {
    std::int32_t mode = 1;
    benchmark::DoNotOptimize(StoreBaseReplyValues(*table, reply, true, mode));
  }
  if (table->groups[28].params[63].value != std::to_string((28 * 64 + 64) % 65535)) {
    state.SkipWithError("the base pass stored the wrong value");
  }
}
BENCHMARK(BM_BasePassFullCatalogue40KB)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zt

BENCHMARK_MAIN();
