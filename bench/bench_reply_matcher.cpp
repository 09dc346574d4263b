// The cost of matching a whole parameter query (about 40 KB before its "OK")
// by the size of the reads it arrives in. No read rescans the window: each
// costs a small constant beside the bytes it brings. (A rescan after every
// read would scan some 800 MB for 40 KB arriving a byte at a time.)
#include <benchmark/benchmark.h>

#include <string>

#include "serial/at_transaction.h"
#include "serial/reply_matcher.h"

namespace {

std::string QueryReply() {
  std::string reply = "\r\n";
  for (int i = 0; reply.size() < zt::kWorkerReplyWindow - 200; ++i) {
    reply += "PARAM" + std::to_string(i) + ":value-" + std::to_string(i * 7) + "\r\n";
  }
  return reply + "\r\nOK\r\n";
}

void MatchQueryReply(benchmark::State& state, std::string_view expected) {
  const std::string reply = QueryReply();
  const auto chunk = static_cast<std::size_t>(state.range(0));
  zt::ReplyMatcher matcher(expected, zt::kWorkerReplyWindow);
  for (auto _ : state) {
    matcher.Clear();
    zt::ReplyState result = zt::ReplyState::kWaiting;
    for (std::size_t at = 0; at < reply.size() && result == zt::ReplyState::kWaiting; at += chunk) {
      result = matcher.Feed(std::string_view(reply).substr(at, chunk));
    }
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(reply.size()));
}

// The query waits for "OK" after everything ("" expected).
void BM_QueryReplyByReadSize(benchmark::State& state) { MatchQueryReply(state, ""); }
// An expected text that never comes: the window keeps only its tail.
void BM_UnrelatedReplyByReadSize(benchmark::State& state) { MatchQueryReply(state, "RUN AT"); }

BENCHMARK(BM_QueryReplyByReadSize)->Arg(1)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_UnrelatedReplyByReadSize)->Arg(1)->Arg(16)->Arg(256)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
