#include "support/sim_config_file.h"

#include "common/program_path.h"
#include "configfile/config_file.h"
#include "params/catalogue_loader.h"
#include "params/channel_modes.h"
#include "params/shared_catalogue.h"
#include "support/dtusim_fixture.h"
#include "text/profile_file.h"
#include "text/strformat.h"

namespace zt::test {

std::string MakeConfigFile(const std::string& path, FileVariant variant, std::int32_t mode,
                           const std::string& profile_name, const std::map<std::string, std::string>& values) {
  const ProfileFile profile = ProfileFile::Load(ShippedDataFile(profile_name));
  SharedCatalogue catalogue;
  if (!LoadCatalogue(catalogue, ProgramDirectory(), variant).loaded()) return {};
  catalogue.Write([&](CParamCatalogue& c) {
    for (int g = 1; g < kGroupSlots; ++g) {
      ParamGroup& group = c.groups[g];
      std::string section = "base";
      if (group.chn >= 1) {
        std::int32_t own = kModeSin;
        while (own <= kModeMulb && (group.dtu_run_type & own) == 0) own <<= 1;
        section = Format("channel %s %d", std::string(ModeToken(own)), group.chn);
      }
      for (int i = 0; i < group.UsedCount(); ++i) {
        ParamDef& p = group.params[i];
        p.value = profile.Get(section, p.short_name).value_or(std::string());
        if (p.short_name == "SPSV") p.value = "V" + profile.Get("device", "version").value_or("");
        if (p.short_name == "OPPRM") p.value = std::string(ModeToken(mode));
        if (const auto it = values.find(p.short_name); it != values.end()) p.value = it->second;
      }
    }
  });
  if (!ExportConfigFile(catalogue, path, mode).ok) return {};
  return ExportPathFor(path);
}

}  // namespace zt::test
