#include "records/record_ids.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>

namespace zt {
namespace {

constexpr char kHex[] = "0123456789abcdef";

std::string HexOf(const unsigned char* bytes, std::size_t n) {
  std::string out;
  out.reserve(n * 2);
  for (std::size_t i = 0; i < n; ++i) {
    out.push_back(kHex[bytes[i] >> 4]);
    out.push_back(kHex[bytes[i] & 0x0F]);
  }
  return out;
}

void FillRandom(unsigned char* out, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    const ssize_t r = ::getrandom(out + got, n - got, 0);
    if (r > 0) {
      got += static_cast<std::size_t>(r);
    } else if (r < 0 && errno != EINTR) {
      // No kernel generator (a kernel before 3.17): the clock and the
      // process still make a key that does not repeat on this station.
      const auto now = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
      const auto pid = static_cast<std::uint64_t>(::getpid());
      for (std::size_t i = got; i < n; ++i) {
        out[i] = static_cast<unsigned char>((now >> ((i % 8) * 8)) ^ (pid >> ((i % 4) * 8)) ^ i);
      }
      return;
    }
  }
}

struct DigestDeleter {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

}  // namespace

std::string NewRecordUuid() {
  unsigned char b[16];
  FillRandom(b, sizeof b);
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);  // version 4
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // the RFC 4122 variant
  const std::string hex = HexOf(b, sizeof b);
  return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
         hex.substr(20);
}

bool IsRecordUuid(std::string_view text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != '-') return false;
    } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
      return false;
    }
  }
  return true;
}

std::string IsoUtc(std::chrono::system_clock::time_point t) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count();
  std::time_t secs = static_cast<std::time_t>(ms / 1000);
  long rest = static_cast<long>(ms % 1000);
  if (rest < 0) {
    rest += 1000;
    --secs;
  }
  std::tm tm{};
  gmtime_r(&secs, &tm);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, rest);
  return text;
}

std::string IsoUtcNow() { return IsoUtc(std::chrono::system_clock::now()); }

std::optional<std::chrono::system_clock::time_point> ParseIsoUtc(std::string_view text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  const std::string s(text);
  int used = 0;
  if (std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second, &used) != 6) {
    return std::nullopt;
  }
  std::string_view rest = text.substr(static_cast<std::size_t>(used));
  if (rest.starts_with(".") && rest.size() >= 4) {
    ms = (rest[1] - '0') * 100 + (rest[2] - '0') * 10 + (rest[3] - '0');
    rest.remove_prefix(4);
  }
  if (rest.starts_with("Z")) rest.remove_prefix(1);
  if (!rest.empty()) return std::nullopt;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  const std::time_t secs = timegm(&tm);
  return std::chrono::system_clock::from_time_t(secs) + std::chrono::milliseconds(ms);
}

std::string Sha256Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
  return HexOf(digest, length);
}

std::optional<std::string> FileSha256(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::unique_ptr<EVP_MD_CTX, DigestDeleter> ctx(EVP_MD_CTX_new());
  bool ok = ctx && EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) == 1;
  char buffer[16384];
  while (ok) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    ok = EVP_DigestUpdate(ctx.get(), buffer, static_cast<std::size_t>(n)) == 1;
  }
  ::close(fd);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!ok || EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1) return std::nullopt;
  return HexOf(digest, length);
}

}  // namespace zt
