// A device profile: what one simulated DTU is (generation, version, login,
// identity, boot banner) and the parameter values it starts with.
//
// The file is GBK text in sections (see section_text.h):
//   [device]                 generation=S3|S2, version=3.1.2 (the SPSV value),
//                            password, product_number (SPPID), imei
//                            (IMEINUMBER), mode=SIN|BAK|MUL|MULB (S3 only),
//                            manufacturer, product_name, revision (boot
//                            banner), ready (the text the unit prints once it
//                            has booted), csq (signal), hex_prefix (keywords
//                            reported with "0x", separated by ",")
//   [base]                   the lines outside the channel blocks, in order
//   [channel MODE N]         the block of channel N in mode MODE (S3 only)
//   [factory base]           values AT+USEDEFAULT restores where they differ
//   [factory channel MODE N] from the lines above
// SPSV, SPPID and IMEINUMBER take their values from [device]; naming them in
// [base] only places them among the reported lines.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "dtusim/param_set.h"

namespace zt::dtusim {

enum class Generation { kS2, kS3 };

// Keywords the unit answers from its identity rather than from its parameters.
inline constexpr std::string_view kVersionKey = "SPSV";
inline constexpr std::string_view kProductNumberKey = "SPPID";
inline constexpr std::string_view kImeiKey = "IMEINUMBER";
// The base line that reports the channel mode on an S3 unit.
inline constexpr std::string_view kModeKey = "OPPRM";

bool IsIdentityKey(std::string_view key);

struct DeviceProfile {
  Generation generation = Generation::kS3;
  std::string version;
  std::string password;
  std::string manufacturer;
  std::string product_name;
  std::string revision;
  std::string ready;
  int csq = 20;
  std::set<std::string, std::less<>> hex_prefix;
  ParamSet initial;  // values at the first start
  ParamSet factory;  // values AT+USEDEFAULT restores (identity unused)
};

// Reads a profile; false with a message naming the line on any error.
bool ParseDeviceProfile(std::string_view text, DeviceProfile* out, std::string* error);
bool LoadDeviceProfile(const std::string& path, DeviceProfile* out, std::string* error);

}  // namespace zt::dtusim
