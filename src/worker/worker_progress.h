// What the configuration worker is doing now, for a front end that shows it
// while a command runs (the window's status bar). Progress goes through
// IConfigReports::Progress only: nothing of it reaches the wire or the run
// log, and a front end that ignores it loses nothing.
#pragma once

#include <optional>
#include <string>

#include "params/channel_modes.h"

namespace zt {

class CParamCatalogue;

struct WorkerProgress {
  enum class Stage {
    kWakeUp,    // connect: waking the DTU
    kLogin,     // connect: "AT+LOGIN="
    kVersion,   // connect: the software version
    kQuery,     // "AT+GETPARAM?" and the base values
    kChannel,   // the query's channel pass, one channel after the other
    kSet,       // one "AT+SETPARAM=" of the set
    kSave,      // "AT+SAVEPARAM"
    kDefaults,  // "AT+USEDEFAULT"
    kRestart,   // "AT+RESET"
  };

  Stage stage = Stage::kQuery;
  int done = 0;     // kSet: the number of the parameter being written (from 1)
  int total = 0;    // kSet: how many the set writes
  int channel = 0;  // kChannel: the channel whose values are read

  bool HasCount() const { return stage == Stage::kSet && total > 0; }
};

// The status text of a progress report (GBK), such as "设置参数 12/40" or
// "正在取通道 2 的参数".
std::string WorkerProgressText(const WorkerProgress& progress);

// How many "AT+SETPARAM=" a set sends: the ticked, writable parameters of
// the groups from slot 1 up to the first unnamed one, where a set with the
// channels of a mode (`channels_of`) leaves out the channel groups that are
// not of that mode or whose channel the mode does not have; none counts the
// set without channels. The set's loop walks the same way.
int CountSetCommands(const CParamCatalogue& catalogue, std::optional<ChannelMode> channels_of);

}  // namespace zt
