// Arbitrary bytes as a catalogue file. The first byte picks the firmware
// generation (how codes are read); the rest is the file. After the load the
// table-wide operations run over whatever was loaded.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "params/catalogue_loader.h"
#include "params/validate_edit.h"
#include "params/value_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const auto table = std::make_unique<zt::CParamCatalogue>();
  const zt::FileVariant variant = (data[0] & 1) != 0 ? zt::FileVariant::kS3 : zt::FileVariant::kS2;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  zt::CParamCatalogue& c = *table;
  (void)zt::LoadCatalogueText(bytes, variant, c);

  (void)c.RebuildCommonGroup();
  c.SetAllSelected(true);
  for (int g = 0; g < zt::kGroupSlots; ++g) {
    for (int i = 0; i < c.groups[g].UsedCount(); ++i) {
      zt::ParamDef& p = c.groups[g].params[i];
      (void)c.FindParamByCode(g, p.relation_code);
      (void)zt::ValidateEdit(c, g, i, p.default_value);
      c.SyncValue(g, i);
      c.SyncSelected(g, i);
      (void)zt::WireValueForSet(p);
      if (p.is_cust_param) {
        const zt::CustomPair pair = zt::FindCustomPair(c, g, i);
        const zt::ParamDef* length = c.Param(g, pair.length_index);
        const zt::ParamDef* value = c.Param(g, pair.value_index);
        const zt::CustomPairDialogFields f = zt::CustomPairDialogOpen(length, value);
        const zt::CustomPairOutcome o = zt::ConfirmCustomPair(length, value, f.length, f.value, f.hex);
        if (o.accepted()) (void)zt::CommitCustomPair(c, g, i, o);
      }
    }
    (void)c.GroupNameByIndex(g);
    (void)c.GroupIndexByName(c.groups[g].name);
  }
  for (std::int32_t mode : {1, 2, 4, 8}) (void)c.channels.ChannelsOfMode(mode);
  return 0;
}
