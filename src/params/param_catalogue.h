// The parameter catalogue: every parameter the tool can show, check, query or
// set, read from the catalogue file beside the program, together with each
// parameter's current value and selection mark.
//
// The table has fixed capacity: 30 group slots of 64 parameter slots each.
// Slot 0 is the common group "常用配置参数", holding copies of the parameters
// marked is_common_param; slots 1 to 28 receive the file's groups 1 to 28;
// slot 29 stays free. A slot whose name is empty is free. File parameter N of
// a group lands in slot N-1.
//
// Thread safety: CParamCatalogue has no lock of its own. The process-wide
// catalogue is a SharedCatalogue (params/shared_catalogue.h); every thread
// reaches the table through its Read/Write and calls these operations inside.
// A CParamCatalogue is large (about 0.6 MB): keep it on the heap.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "params/catalogue_key_map.h"
#include "params/channel_modes.h"

namespace zt {

enum class ParamValueType : std::uint16_t {
  kNone = 0,
  kInt1 = 1,
  kInt2 = 2,
  kInt4 = 3,
  kAscStr = 4,     // any characters but blanks
  kDigitStr = 5,   // decimal digits, may be empty
  kHexStr = 6,     // hexadecimal digit pairs and blanks; length counted in bytes
};

inline bool IsIntType(ParamValueType type) {
  return type == ParamValueType::kInt1 || type == ParamValueType::kInt2 ||
         type == ParamValueType::kInt4;
}

inline constexpr int kGroupSlots = 30;
inline constexpr int kParamSlots = 64;
inline constexpr int kMaxFileGroups = 28;
inline constexpr int kCommonGroup = 0;
// A string field holds at most 255 bytes (the DTU's and the files' limit).
inline constexpr std::size_t kMaxStringBytes = 255;

// GBK "常用配置参数".
std::string_view CommonGroupName();

// `text` cut to at most kMaxStringBytes bytes, never in the middle of a
// double-byte GBK character.
std::string CapString(std::string_view text);

struct ParamDef {
  std::uint16_t code = 0;           // never 0 for a loaded parameter
  std::string name;                 // display name; key in configuration files
  std::string short_name;           // keyword on the wire
  std::string default_value;        // "default" in the file
  std::string value;                // current value as displayed
  std::string tip;
  ParamValueType type = ParamValueType::kNone;
  bool fixed_length = false;        // length must equal `length`; marks a pair's length member
  std::uint16_t length = 0;         // characters, or bytes for HEXSTR
  bool is_cust_param = false;       // member of a custom length/value pair
  std::uint16_t relation_code = 0;  // partner's code in a custom pair
  bool is_check_range = false;
  std::uint32_t range_high = 0;
  std::uint32_t range_low = 0;
  bool is_list = false;
  std::vector<std::string> list_value;    // wire values
  bool is_list_custom = false;            // free text accepted besides the options
  std::vector<std::string> list_options;  // display texts
  bool is_ipaddr = false;
  std::uint32_t range_extra = 0;    // one more accepted value outside the range
  bool has_range_extra = false;
  bool is_password = false;
  bool readonly = false;
  bool selected = false;
  bool is_common_param = false;
  std::uint16_t home_group = 0;     // in a common-group copy: the group it came from
  bool is_spec_ascstr = false;
  std::string spec_ascstr_first;    // characters allowed first
  std::string spec_ascstr_other;    // characters allowed later
  bool is_const_param = false;

  friend bool operator==(const ParamDef&, const ParamDef&) = default;
};

struct ParamGroup {
  std::uint16_t count = 0;         // parameters in use (never above 64)
  std::string name;                // empty: a free slot
  std::int32_t chn = -1;           // channel number; -1 for a group that is not per channel
  std::int32_t dtu_run_type = 0;   // bit set of ChannelMode codes
  std::array<ParamDef, kParamSlots> params;

  bool used() const { return !name.empty(); }
  friend bool operator==(const ParamGroup&, const ParamGroup&) = default;
  // count, bounded by the slot capacity.
  int UsedCount() const { return count > kParamSlots ? kParamSlots : count; }
};

class CParamCatalogue {
 public:
  std::array<ParamGroup, kGroupSlots> groups;
  std::int32_t group_count = 0;     // "count" of the file's "group" section
  std::string product;
  std::int32_t language = 1;        // 1 CN, 2 EN
  std::int32_t current_group = -1;  // the group the view shows; -1 until one is shown
  ChannelTable channels;

  // Empties every slot, the group maps, the channel table and the key map.
  // The language and the current group index survive.
  void Reset();

  // Bounds-checked access: nullptr outside 0..29 / 0..63.
  ParamGroup* Group(int group);
  const ParamGroup* Group(int group) const;
  ParamDef* Param(int group, int index);
  const ParamDef* Param(int group, int index) const;

  // Group maps (rebuilt by every load).
  void RegisterGroup(int index, const std::string& name);
  std::string GroupNameByIndex(int index) const;  // empty when unknown
  int GroupIndexByName(std::string_view name) const;  // -1 when unknown

  // Index of the first of the group's `count` parameters whose code equals
  // `code`, or -1.
  int FindParamByCode(int group, std::uint16_t code) const;

  // Refills slot 0 with copies of every is_common_param, non-readonly
  // parameter of groups 1 to 29 (tip + "[" + group name + "]", home_group set).
  // Returns false when there were more than 64: only the first 64 are kept.
  bool RebuildCommonGroup();

  // Keeps a common-group copy and its source equal after `value` changed:
  // from group 0 to the first parameter with the same short_name in each used
  // group 1..29, or from another group to the first such copy in group 0.
  void SyncValue(int group, int index);
  // The same walk, copying `selected`.
  void SyncSelected(int group, int index);
  // Sets `selected` of every non-readonly parameter of every used group.
  void SetAllSelected(bool selected);

  // The key map of the last load: section + "__" + key -> value. The view
  // points into the table: copy it before the catalogue lock is released.
  std::optional<std::string_view> FindEntry(std::string_view section, std::string_view key) const {
    return keys_.Find(section, key);
  }
  // The value, or the empty string when the key is absent.
  std::string ProfileGetString(std::string_view section, std::string_view key) const;
  // The value read as atoi reads it, or `fallback` when the key is absent.
  std::int32_t ProfileGetInt(std::string_view section, std::string_view key,
                             std::int32_t fallback) const;
  const CatalogueKeyMap& keys() const { return keys_; }
  CatalogueKeyMap& keys() { return keys_; }

 private:
  template <typename F>
  void ForEachSyncTarget(int group, int index, F&& copy);

  std::map<int, std::string> group_names_;
  std::map<std::string, int, std::less<>> group_indexes_;
  CatalogueKeyMap keys_;
};

}  // namespace zt
