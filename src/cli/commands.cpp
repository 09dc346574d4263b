#include "cli/commands.h"

#include <cstdio>
#include <iostream>

#include "cli/parameter_table.h"
#include "cli/session.h"
#include "params/channel_modes.h"

namespace zt::cli {
namespace {

int Status(bool succeeded) { return succeeded ? kExitOk : kExitFailed; }

void PrintTable(Session& session) {
  const std::string table = session.catalogue().Read(
      [&](const CParamCatalogue& c) { return ParameterTable(c, session.s3(), session.Mode()); });
  std::fwrite(table.data(), 1, table.size(), stdout);
  std::fflush(stdout);
}

int Read(Session& session) {
  if (!session.Run(WM_CFG_CONNECT, session.Mode())) return kExitFailed;
  PrintTable(session);
  return kExitOk;
}

int WriteParams(Session& session, const Options& options) {
  std::vector<ParamEdit> edits;
  for (const std::string& arg : options.params) {
    std::string error;
    const auto edit = ParseParamEdit(arg, error);
    if (!edit) {
      std::cerr << "zereltool-cli: " << error << "\n";
      return kExitUsage;
    }
    edits.push_back(*edit);
  }
  if (!session.Run(WM_CFG_CONNECT, session.Mode())) return kExitFailed;
  const std::string refusal = session.catalogue().Write(
      [&](CParamCatalogue& c) { return ApplyParamEdits(c, session.s3(), session.Mode(), edits); });
  if (!refusal.empty()) {
    std::cerr << refusal << "\n";
    return kExitUsage;
  }
  return Status(session.Run(WM_CFG_SET_CHANNELS, session.Mode()));
}

}  // namespace

int RunCommand(const Options& options) {
  Session session(options);
  if (!session.Open()) return kExitUsage;
  switch (options.command) {
    case Command::kRead:
      return Read(session);
    case Command::kWrite:
      return WriteParams(session, options);
    case Command::kDefaults: {
      if (!session.Run(WM_CFG_CONNECT, session.Mode())) return kExitFailed;
      const std::int32_t mode = ModeFromSelector(options.mode_selector);
      if (!session.Run(WM_CFG_DEFAULTS, mode)) return kExitFailed;
      return Status(session.Run(WM_CFG_QUERY, mode));
    }
    case Command::kRestart:
      if (!session.Run(WM_CFG_CONNECT, session.Mode())) return kExitFailed;
      return Status(session.Run(WM_CFG_RESTART, 0));
    case Command::kProdtest:
    case Command::kNone:
      break;
  }
  std::cerr << "zereltool-cli: this command is not available yet\n";
  return kExitUsage;
}

}  // namespace zt::cli
