#include "cli/stdin_prompt.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "prodtest/test_settings.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"

namespace zt::cli {

using namespace zt::literals;

namespace {

// How often a wait for input looks at the cancel token.
constexpr int kPollSliceMs = 50;

void Ask(std::string_view label, std::string_view gbk_question) {
  const std::string text = std::string(label) + GbkToUtf8(gbk_question);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

void Refuse(std::string_view label, std::string_view gbk_refusal) {
  const std::string text =
      std::string(label) + GbkToUtf8(SerialNumberCaption()) + ": " + GbkToUtf8(gbk_refusal) + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

std::optional<std::string> StdinSerialNumberPrompt::ReadLine(const std::atomic<bool>& cancel) {
  for (;;) {
    if (cancel.load()) return std::nullopt;
    if (const std::size_t lf = pending_.find('\n'); lf != std::string::npos) {
      std::string line = pending_.substr(0, lf);
      pending_.erase(0, lf + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (ended_) {
      if (pending_.empty()) return std::nullopt;
      std::string line;
      line.swap(pending_);
      return line;
    }
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, kPollSliceMs);
    if (ready < 0 && errno != EINTR) {
      ended_ = true;
      continue;
    }
    if (ready <= 0) continue;
    char buffer[256];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) {
      ended_ = true;
      continue;
    }
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
}

std::optional<SerialNumbers> StdinSerialNumberPrompt::AskSerialNumbers(const std::atomic<bool>& cancel,
                                                                       std::string_view label) {
  SerialNumbers numbers;
  bool need_product = true;
  for (;;) {
    if (need_product) {
      Ask(label, "产品编号："_gbk);
      const std::optional<std::string> line = ReadLine(cancel);
      if (!line) return std::nullopt;
      const std::optional<std::string> gbk = Utf8ToGbk(*line);
      if (!gbk) {
        Refuse(label, "输入产品编号不合法"_gbk);
        continue;
      }
      numbers.product_number = *gbk;
    }
    Ask(label, std::string("IMEI号 (14位或15位数字) ["_gbk) + std::string(DefaultImeiText()) + "]: ");
    const std::optional<std::string> line = ReadLine(cancel);
    if (!line) return std::nullopt;
    numbers.imei = line->empty() ? std::string(DefaultImeiText()) : *line;

    const SerialNumberVerdict verdict = CheckSerialNumbers(numbers.product_number, numbers.imei);
    if (verdict.accepted) return numbers;
    Refuse(label, verdict.refusal);
    need_product = verdict.focus == SerialNumberVerdict::Focus::kProduct;
  }
}

}  // namespace zt::cli
