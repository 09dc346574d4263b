#include "cli/commands.h"

#include <cstdio>
#include <iostream>

#include "cli/at_command.h"
#include "cli/monitor_command.h"
#include "cli/config_selection.h"
#include "cli/parameter_table.h"
#include "cli/prodtest_command.h"
#include "cli/session.h"
#include "configfile/config_file.h"
#include "params/channel_modes.h"
#include "worker/front_end_rules.h"

namespace zt::cli {
namespace {

int Status(bool succeeded) { return succeeded ? kExitOk : kExitFailed; }

void PrintTable(Session& session) {
  const std::string table = session.catalogue().Read(
      [&](const CParamCatalogue& c) { return ParameterTable(c, session.s3(), session.Mode()); });
  std::fwrite(table.data(), 1, table.size(), stdout);
  std::fflush(stdout);
}

// A configuration-file failure is shown as the window's message box would be.
int FileRefusal(Session& session, const ConfigFileOutcome& outcome) {
  session.messages().ShowMessage(outcome.message, ConfigFileCaption(), MessageIcon::kError);
  return kExitUsage;
}

int Read(Session& session, const Options& options) {
  if (!session.Run(ConnectRequest{session.Mode()})) return kExitFailed;
  PrintTable(session);
  if (!options.export_file) return kExitOk;
  const ConfigFileOutcome exported = ExportConfigFile(session.catalogue(), *options.export_file, session.Mode());
  if (!exported.ok) return FileRefusal(session, exported);
  PrintLogLine(exported.log_line);
  return kExitOk;
}

// Connect, import the file, select every parameter that is not read-only
// (with --partial: those the file holds), then set with channels. A file
// that lacks a parameter the set would send is refused without --partial:
// the import cleared that value, and a truncated file would blank the unit.
int WriteConfig(Session& session, const std::string& file, bool partial) {
  if (!session.Run(ConnectRequest{session.Mode()})) return kExitFailed;
  const ConfigFileOutcome imported =
      ImportConfigFile(session.catalogue(), file, session.flags().file_variant.load(), session.Mode(), -1);
  if (!imported.ok) return FileRefusal(session, imported);
  if (!partial) {
    const std::vector<ConfigFileSlot> missing = session.catalogue().Read(
        [&](const CParamCatalogue& c) { return AbsentEntriesToSend(c, session.Mode(), imported.absent); });
    if (!missing.empty()) {
      std::cerr << "zereltool-cli: " << MissingEntriesRefusal(missing) << "\n";
      return kExitUsage;
    }
  }
  PrintLogLine(imported.log_line);
  if (!imported.absent_log_line.empty()) PrintLogLine(imported.absent_log_line);
  session.catalogue().Write([&](CParamCatalogue& c) { SelectImported(c, imported.absent, partial); });
  return Status(session.Run(SetWithChannelsRequest{session.Mode()}));
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
  if (!session.Run(ConnectRequest{session.Mode()})) return kExitFailed;
  const std::string refusal = session.catalogue().Write(
      [&](CParamCatalogue& c) { return ApplyParamEdits(c, session.s3(), session.Mode(), edits); });
  if (!refusal.empty()) {
    std::cerr << refusal << "\n";
    return kExitUsage;
  }
  return Status(session.Run(SetWithChannelsRequest{session.Mode()}));
}

int Write(Session& session, const Options& options) {
  if (options.config_file) return WriteConfig(session, *options.config_file, options.partial);
  return WriteParams(session, options);
}

// The restore names the mode given on the command line, also when the DTU
// reported another one during the connect.
int RestoreDefaults(Session& session, const Options& options) {
  if (!session.Run(ConnectRequest{session.Mode()})) return kExitFailed;
  for (const ConfigRequest& request : RestoreDefaultsThenQuery(ModeFromSelector(options.mode_selector))) {
    if (!session.Run(request)) return kExitFailed;
  }
  return kExitOk;
}

int Restart(Session& session, const Options&) {
  if (!session.Run(ConnectRequest{session.Mode()})) return kExitFailed;
  return Status(session.Run(RestartRequest{}));
}

// The commands that talk to the DTU through the worker open a session first.
int WithSession(const Options& options, int (*command)(Session&, const Options&)) {
  Session session(options);
  if (!session.Open()) return kExitUsage;
  return command(session, options);
}

}  // namespace

int RunCommand(const Options& options) {
  switch (options.command) {
    case Command::kRead:
      return WithSession(options, Read);
    case Command::kWrite:
      return WithSession(options, Write);
    case Command::kDefaults:
      return WithSession(options, RestoreDefaults);
    case Command::kRestart:
      return WithSession(options, Restart);
    case Command::kProdtest:
      return RunProdtest(options);
    case Command::kAt:
      return RunAt(options);
    case Command::kMonitor:
      return RunMonitor(options);
    case Command::kPaths:  // ends in SetUpFiles
    case Command::kNone:   // the parser refuses a line without a command
      break;
  }
  return kExitUsage;
}

}  // namespace zt::cli
