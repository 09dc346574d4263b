// Which commands the operator may use: 29 entries, each a disabled flag
// (all enabled at start). The frame, the worker's reports and the views
// change them through the transitions below; every menu item and toolbar
// button is enabled exactly when IsEnabled says so: its entry is clear and
// no production test run keeps it off.
//
// Thread safety: entries are atomic; a change takes the entry's own lock so
// that a set and a clear of one entry never interleave. Reads take no lock.
#pragma once

#include <array>
#include <atomic>
#include <initializer_list>
#include <mutex>
#include <optional>

namespace zt {

// Entry indices.
enum CommandEntry : int {
  kCmdConnectionSettings = 0,   // "连接设置(&S)" 32771
  kCmdOpenPort = 1,             // "打开串口(&O)" 32772
  kCmdClosePort = 2,            // "关闭串口(&D)" 32773
  kCmdParameterView = 3,        // "参数界面(&G)" 32774
  kCmdUnused4 = 4,              // the upgrade page's cancel clears it; no command uses it
  kCmdAtView = 5,               // "AT界面(&A)" 32776
  kCmdTestView = 6,             // configuration test view 32777
  kCmdExport = 7,               // "导出(&O)" 32785
  kCmdImport = 8,               // "导入(&I)" 32784
  kCmdUnused9 = 9,
  kCmdSelectAll = 10,           // "全选/全不选(&A)" 32791
  kCmdQuery = 11,               // "查询参数(&Q)" 32793
  kCmdSet = 12,                 // "设置参数(&C)" 32794
  kCmdDefaults = 13,            // "默认参数(&D)" 32795
  kCmdRestart = 14,             // "重启DTU(&R)" 32796
  kCmdUnused15 = 15,
  kCmdConnectDtu = 16,          // "连接DTU(&L)" 32800
  kCmdToolConnectionSettings = 17,  // toolbar 2004
  kCmdToolDefaults = 18,        // toolbar id 2015
  kCmdToolOpenPort = 19,        // toolbar 2005
  kCmdToolClosePort = 20,       // toolbar 2006
  kCmdToolConnectDtu = 21,      // toolbar 2008
  kCmdToolParameterView = 22,   // toolbar 2009
  kCmdToolAtView = 23,          // toolbar 2010
  kCmdToolSelectAll = 24,       // toolbar id 2012
  kCmdToolQuery = 25,           // toolbar id 2013
  kCmdToolSet = 26,             // toolbar id 2014
  kCmdToolRestart = 27,         // toolbar id 2016
  kCmdCommonParams = 28,        // "常用配置参数(&P)" 32802
};

inline constexpr int kCommandEntries = 29;

class CommandStateTable {
 public:
  bool IsEnabled(int entry) const;
  void Set(int entry);    // disable; an index outside 0..28 is ignored
  void Clear(int entry);  // enable
  void Set(std::initializer_list<int> entries);
  void Clear(std::initializer_list<int> entries);

  // The frame's transitions.
  void OnFrameCreated();    // close port, connect DTU, common parameters disabled
  void OnFirstShow();       // close port disabled
  void OnPortOpened();
  void OnPortClosed();
  void OnDtuConnected();
  // The parameter view's refresh (its start-up and the parameter view command).
  void OnParameterViewRefresh(bool port_open, bool connected);
  void OnAtView();

  // A production test run has the port from its start to its end. The
  // worker's commands (connect, query, set, restore defaults, restart, and
  // the common-parameters manager) read as disabled meanwhile, whatever
  // their entries say; the entries go on changing as usual and are what
  // counts again once the run has ended.
  void OnTestRunStarted() { test_running_.store(true); }
  void OnTestRunEnded() { test_running_.store(false); }
  bool TestRunning() const { return test_running_.load(); }

 private:
  struct Entry {
    std::atomic<bool> disabled{false};
    std::mutex lock;
  };
  std::array<Entry, kCommandEntries> entries_;
  std::atomic<bool> test_running_{false};
};

// The process-wide table.
CommandStateTable& GlobalCommandStates();

// The entry that decides a command id (menu or toolbar), or nothing for
// commands that are always enabled.
std::optional<int> CommandEntryForId(int command_id);

}  // namespace zt
