#include "settings/command_state_table.h"

#include <utility>

namespace zt {
namespace {

// Entries the parameter view's refresh and the connect decide together.
constexpr std::initializer_list<int> kParameterCommands = {
    kCmdToolSelectAll, kCmdToolQuery, kCmdToolSet, kCmdToolDefaults, kCmdToolRestart,
    kCmdSelectAll,     kCmdSet,       kCmdQuery,   kCmdDefaults,     kCmdRestart,
    kCmdExport,        kCmdImport};

// Entries of the commands that post to the worker (and of the
// common-parameters manager): off while a production test run has the port.
constexpr std::initializer_list<int> kWorkerCommands = {
    kCmdConnectDtu, kCmdToolConnectDtu, kCmdQuery,   kCmdToolQuery,   kCmdSet,         kCmdToolSet,
    kCmdDefaults,   kCmdToolDefaults,   kCmdRestart, kCmdToolRestart, kCmdCommonParams};

bool IsWorkerCommand(int entry) {
  for (const int e : kWorkerCommands) {
    if (e == entry) return true;
  }
  return false;
}

}  // namespace

bool CommandStateTable::IsEnabled(int entry) const {
  if (entry < 0 || entry >= kCommandEntries) return true;
  if (test_running_.load() && IsWorkerCommand(entry)) return false;
  return !entries_[static_cast<std::size_t>(entry)].disabled.load();
}

void CommandStateTable::Set(int entry) {
  if (entry < 0 || entry >= kCommandEntries) return;
  Entry& e = entries_[static_cast<std::size_t>(entry)];
  std::lock_guard lock(e.lock);
  e.disabled.store(true);
}

void CommandStateTable::Clear(int entry) {
  if (entry < 0 || entry >= kCommandEntries) return;
  Entry& e = entries_[static_cast<std::size_t>(entry)];
  std::lock_guard lock(e.lock);
  e.disabled.store(false);
}

void CommandStateTable::Set(std::initializer_list<int> entries) {
  for (int e : entries) Set(e);
}

void CommandStateTable::Clear(std::initializer_list<int> entries) {
  for (int e : entries) Clear(e);
}

void CommandStateTable::OnFrameCreated() {
  Set({kCmdClosePort, kCmdConnectDtu, kCmdToolClosePort, kCmdToolConnectDtu, kCmdCommonParams});
}

void CommandStateTable::OnFirstShow() { Set(kCmdClosePort); }

void CommandStateTable::OnPortOpened() {
  Set({kCmdConnectionSettings, kCmdOpenPort, kCmdToolOpenPort, kCmdToolConnectionSettings});
  Clear({kCmdClosePort, kCmdConnectDtu, kCmdToolClosePort, kCmdToolConnectDtu});
}

void CommandStateTable::OnPortClosed() {
  Clear({kCmdConnectionSettings, kCmdOpenPort, kCmdToolOpenPort, kCmdToolConnectionSettings});
  Set({kCmdClosePort, kCmdConnectDtu, kCmdToolClosePort, kCmdToolConnectDtu});
  Set({kCmdCommonParams, kCmdSelectAll, kCmdSet, kCmdQuery, kCmdDefaults, kCmdRestart, kCmdExport,
       kCmdImport});
}

void CommandStateTable::OnDtuConnected() {
  Clear({kCmdCommonParams, kCmdSelectAll, kCmdSet, kCmdQuery, kCmdDefaults, kCmdRestart, kCmdExport,
         kCmdImport});
}

void CommandStateTable::OnParameterViewRefresh(bool port_open, bool connected) {
  if (port_open) Clear({kCmdConnectDtu, kCmdToolConnectDtu});
  if (connected) {
    Clear(kParameterCommands);
  } else {
    Set(kParameterCommands);
  }
}

void CommandStateTable::OnAtView() {
  Set({kCmdUnused15, kCmdToolSelectAll, kCmdToolQuery, kCmdToolSet, kCmdToolDefaults, kCmdToolRestart,
       kCmdCommonParams, kCmdSelectAll, kCmdSet, kCmdQuery, kCmdDefaults, kCmdRestart, kCmdExport,
       kCmdImport});
  Set({kCmdConnectDtu, kCmdToolConnectDtu});
}

CommandStateTable& GlobalCommandStates() {
  static CommandStateTable table;
  return table;
}

std::optional<int> CommandEntryForId(int command_id) {
  static constexpr std::pair<int, int> kIds[] = {
      {32771, kCmdConnectionSettings}, {32772, kCmdOpenPort},     {32773, kCmdClosePort},
      {32774, kCmdParameterView},      {32776, kCmdAtView},       {32777, kCmdTestView},
      {32785, kCmdExport},             {32784, kCmdImport},       {32791, kCmdSelectAll},
      {32793, kCmdQuery},              {32794, kCmdSet},          {32795, kCmdDefaults},
      {32796, kCmdRestart},            {32800, kCmdConnectDtu},   {2004, kCmdToolConnectionSettings},
      {2015, kCmdToolDefaults},        {2005, kCmdToolOpenPort},  {2006, kCmdToolClosePort},
      {2008, kCmdToolConnectDtu},      {2009, kCmdToolParameterView}, {2010, kCmdToolAtView},
      {2012, kCmdToolSelectAll},       {2013, kCmdToolQuery},     {2014, kCmdToolSet},
      {2016, kCmdToolRestart},         {32802, kCmdCommonParams},
  };
  for (const auto& [id, entry] : kIds) {
    if (id == command_id) return entry;
  }
  return std::nullopt;
}

}  // namespace zt
