// The record's key and its times: random (version 4) UUIDs from the
// kernel's generator, and UTC times as ISO 8601 texts with milliseconds
// ("2026-12-07T23:41:05.123Z"), which sort as the times they name.
//
// Thread safety: pure functions, any thread.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace zt {

// "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx", lower case.
std::string NewRecordUuid();
bool IsRecordUuid(std::string_view text);

std::string IsoUtc(std::chrono::system_clock::time_point t);
std::string IsoUtcNow();
// The instant of an ISO text as IsoUtc writes it (the milliseconds and the
// "Z" may be missing); nothing for another text.
std::optional<std::chrono::system_clock::time_point> ParseIsoUtc(std::string_view text);

// Lower-case hex SHA-256 of a file's bytes; nothing when it cannot be read.
std::optional<std::string> FileSha256(const std::string& path);
// Lower-case hex SHA-256 of the bytes.
std::string Sha256Hex(std::string_view bytes);

}  // namespace zt
