// The test view's number edits as the view loads them into its members: the
// wait time between two units (a signed 32-bit count of seconds) and the
// signal threshold (an unsigned 32-bit value; Start checks its 0..31 range).
// A text that does not convert leaves the member as it was and the view
// shows the conversion message.
//
// Thread safety: plain functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zt {

// Blanks around the number are allowed, one sign in front, then decimal
// digits only; nothing for an empty text, other characters or a value
// outside the signed 32-bit range.
std::optional<std::int32_t> ReadWaitTimeField(std::string_view text);

// As ReadWaitTimeField, for any value an unsigned 32-bit member can take,
// and negative values down to the signed 32-bit minimum (a threshold loaded
// from the settings file as "-1" reaches Start's range check).
std::optional<std::int64_t> ReadSignalThresholdField(std::string_view text);

// GBK "请输入一个整数。": the message of an edit that does not convert.
std::string_view IntegerFieldMessage();

// The information box holds at most this many lines: an append to a box
// with as many lines or more empties it first.
inline constexpr int kTestInfoLineLimit = 500;

}  // namespace zt
