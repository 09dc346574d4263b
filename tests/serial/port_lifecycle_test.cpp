// The port as Linux users have it: UUCP lock files, a device that goes away
// while open and comes back, any line speed, and the operator's texts.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/at_transaction.h"
#include "serial/line_speed.h"
#include "serial/port_texts.h"
#include "serial/serial_port.h"
#include "serial/uucp_lock.h"
#include "serial_test_helpers.h"
#include "support/dtusim_fixture.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"

namespace zt {
namespace {

using namespace zt::literals;
using namespace std::chrono_literals;
using test::PortOnPeerTest;

// Every lock file of this suite goes to a folder of its own; the processes
// the suite starts inherit it.
class LockFolderEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    folder_ = std::make_unique<test::TempDir>();
    ::setenv("ZT_LOCK_DIR", folder_->path().c_str(), 1);
  }
  void TearDown() override { folder_.reset(); }

 private:
  std::unique_ptr<test::TempDir> folder_;
};
[[maybe_unused]] ::testing::Environment* const kLockFolder =
    ::testing::AddGlobalTestEnvironment(new LockFolderEnvironment);

// A process that lives until the test ends it: a lock file's live holder.
class SleepingProcess {
 public:
  SleepingProcess() : pid_(::fork()) {
    if (pid_ == 0) {
      ::execlp("sleep", "sleep", "60", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Named as it is once it runs the program.
    for (int i = 0; i < 200 && ProgramOfPid(pid_) != "sleep"; ++i) std::this_thread::sleep_for(10ms);
  }
  ~SleepingProcess() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_;
};

pid_t DeadPid() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

void WriteLockFile(const std::string& device, long pid) {
  test::WriteFileBytes(LockFilePath(device), Format("%10ld\n", pid));
}

// ---- lock files ------------------------------------------------------------

using LockFileTest = PortOnPeerTest;

TEST_F(LockFileTest, ALinkAndItsDeviceTakeOneLockNamedAfterTheDevice) {
  test::TempDir dir;
  const std::string link = dir.File("usb-ZR_DTU_0001-if00");
  std::filesystem::create_symlink(dtu_.Path(), link);
  settings_.Update([&](ToolSettings& s) { s.port_name = link; });
  ASSERT_TRUE(port_.Open());
  const std::string lock = LockFolder() + "/LCK.." + std::filesystem::path(dtu_.Path()).filename().string();
  EXPECT_EQ(LockFilePath(link), lock);
  EXPECT_EQ(LockFilePath(dtu_.Path()), lock);
  EXPECT_EQ(test::ReadFileBytes(lock), Format("%10d\n", static_cast<int>(getpid())));
  port_.Close();
  EXPECT_FALSE(std::filesystem::exists(lock));
}

TEST_F(LockFileTest, ALiveHolderRefusesThePortAndIsNamed) {
  SleepingProcess holder;
  WriteLockFile(dtu_.Path(), holder.pid());
  const PortResult refused = port_.Open();
  ASSERT_EQ(refused.kind, PortErrorKind::kLockedBy);
  EXPECT_EQ(refused.holder_pid, holder.pid());
  EXPECT_EQ(OpenFailureText(refused), Format("串口被 sleep (PID %d) 占用"_gbk, static_cast<int>(holder.pid())));
  EXPECT_FALSE(port_.IsOpen());
  // Its lock stays as it was.
  EXPECT_EQ(test::ReadFileBytes(LockFilePath(dtu_.Path())), Format("%10d\n", static_cast<int>(holder.pid())));
}

TEST_F(LockFileTest, AStaleLockIsTakenOver) {
  WriteLockFile(dtu_.Path(), DeadPid());
  ASSERT_TRUE(port_.Open());
  EXPECT_EQ(test::ReadFileBytes(LockFilePath(dtu_.Path())), Format("%10d\n", static_cast<int>(getpid())));
}

TEST_F(LockFileTest, AnUnwritableLockFolderOpensWithoutALockFileAndSaysSoOnce) {
  test::TempDir dir;
  SetLockFolderForTests(dir.File("no-such-folder"));
  const PortResult first = port_.Open();
  ASSERT_TRUE(first);
  EXPECT_EQ(first.notices, std::vector<std::string>{NoLockFileText(dir.File("no-such-folder"))});
  port_.Close();
  const PortResult second = port_.Open();
  SetLockFolderForTests("");
  ASSERT_TRUE(second);
  EXPECT_TRUE(second.notices.empty());
}

TEST_F(LockFileTest, TheSignalCleanupRemovesEveryHeldLock) {
  ASSERT_TRUE(port_.Open());
  ASSERT_TRUE(std::filesystem::exists(LockFilePath(dtu_.Path())));
  RemoveHeldLocksFromSignal();
  EXPECT_FALSE(std::filesystem::exists(LockFilePath(dtu_.Path())));
}

// ---- texts -------------------------------------------------------------------

TEST(OpenFailureText, EachReasonHasItsOwnText) {
  auto result = [](PortErrorKind kind) {
    PortResult r;
    r.kind = kind;
    r.device = "/dev/ttyUSB0";
    r.device_group = "dialout";
    r.holder_program = "minicom";
    r.holder_pid = 4242;
    r.baud = 128000;
    return r;
  };
  const struct {
    PortErrorKind kind;
    std::string_view text;
  } cases[] = {
      {PortErrorKind::kNoSuchDevice, "打开串口失败: 串口不存在!"_gbk},
      {PortErrorKind::kPermissionDenied,
       "没有串口 /dev/ttyUSB0 的访问权限：请把用户加入 dialout 组（sudo usermod -aG dialout $USER），然后重新登录"_gbk},
      {PortErrorKind::kLockedBy, "串口被 minicom (PID 4242) 占用"_gbk},
      {PortErrorKind::kBusy, "打开串口失败: 串口已被其他程序占用!"_gbk},
      {PortErrorKind::kNotATerminal, "打开串口失败: /dev/ttyUSB0 不是串口设备!"_gbk},
      {PortErrorKind::kBaudRefused, "串口不支持波特率 128000"_gbk},
      {PortErrorKind::kOther, "打开串口失败: 串口已占用或其他错误!"_gbk},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    EXPECT_EQ(OpenFailureText(result(c.kind)), c.text);
  }
}

// ---- any line speed ----------------------------------------------------------

class BotherSpeed : public PortOnPeerTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(BotherSpeed, TheSpeedIsSetAndReadsBack) {
  settings_.Update([&](ToolSettings& s) { s.baud = GetParam(); });
  ASSERT_TRUE(port_.Open());
  const int fd = ::open(dtu_.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(serial_detail::ReadSpeed(fd), GetParam());
  ::close(fd);
}

INSTANTIATE_TEST_SUITE_P(Speeds, BotherSpeed, ::testing::Values(14400u, 128000u, 256000u, 115200u));

TEST(SpeedMatches, AcceptsWhatADriverRoundsToWithinTwoPercent) {
  EXPECT_TRUE(serial_detail::SpeedMatches(128000, 128000));
  EXPECT_TRUE(serial_detail::SpeedMatches(128000, 127500));
  EXPECT_TRUE(serial_detail::SpeedMatches(256000, 251000));
  EXPECT_FALSE(serial_detail::SpeedMatches(256000, 230400));
  EXPECT_FALSE(serial_detail::SpeedMatches(14400, 9600));
}

// ---- unplug and replug ---------------------------------------------------------

class RecordingEvents : public IPortEvents {
 public:
  void PortRemoved(const std::string& name) override { Add("removed " + name); }
  void PortReturned(const std::string& name) override { Add("returned " + name); }
  bool WaitFor(std::size_t count, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return seen_.size() >= count; });
  }
  std::vector<std::string> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  void Add(std::string event) {
    {
      std::lock_guard lock(mutex_);
      seen_.push_back(std::move(event));
    }
    changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> seen_;
};

class UnplugTest : public ::testing::Test {
 protected:
  void SetUp() override {
    link_ = dir_.File("dtu");
    ASSERT_TRUE(StartSim(sim_)) << sim_.error();
    settings_.Update([&](ToolSettings& s) { s.port_name = link_; });
    port_.SetEvents(&events_);
  }
  void TearDown() override { port_.SetEvents(nullptr); }
  bool StartSim(test::DtuSimProcess& sim, std::vector<std::string> args = {}) {
    args.insert(args.begin(), {"--link", link_});
    return sim.Start(args);
  }
  bool Wakes() {
    std::string reply;
    std::uint16_t length = 0;
    return FrameSendAndWait(port_, "+++", "RUN AT", reply, 64, length, 2, 1) == AtResult::kMatched;
  }

  test::TempDir dir_;
  std::string link_;
  test::DtuSimProcess sim_;
  ToolSettingsStore settings_;
  ProcessFlags flags_;
  RecordingEvents events_;
  CSerialPort port_{settings_, flags_};
};

TEST_F(UnplugTest, AWorkerQueryEndsWithThePortClosedLineWhenTheDeviceGoes) {
  test::DtuSimProcess mute;
  sim_.Stop();
  ASSERT_TRUE(StartSim(mute, {"--mute"})) << mute.error();
  ASSERT_TRUE(port_.Open());
  std::mutex worker_lock;
  test::RecordingReports reports;
  AtResult result = AtResult::kMatched;
  std::thread query([&] {
    std::string reply;
    std::uint16_t length = 0;
    const WorkerLink link{port_, worker_lock, flags_, reports};
    result = SendAndWait(link, std::string_view("AT+GETPARAM?\r\n"), "", reply, kWorkerReplyWindow, length, 60, 1);
  });
  ASSERT_TRUE(mute.WaitForReceived("AT+GETPARAM?\r\n"));
  const auto unplugged = std::chrono::steady_clock::now();
  mute.Stop();
  query.join();
  EXPECT_LT(std::chrono::steady_clock::now() - unplugged, 1s);
  EXPECT_EQ(result, AtResult::kFailed);
  EXPECT_EQ(reports.Lines(), std::vector<std::string>{std::string("串口已关闭，故未完成的动作立即终止!\r\n"_gbk)});
  EXPECT_EQ(reports.DoneValues(), std::vector<int>{0});
  ASSERT_TRUE(events_.WaitFor(1, 1s));
  EXPECT_EQ(events_.Seen(), std::vector<std::string>{"removed " + link_});
  EXPECT_TRUE(port_.Removed());
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_TRUE(flags_.port_closed);
  EXPECT_FALSE(flags_.port_open);
  // The lock file went with the device.
  EXPECT_FALSE(std::filesystem::exists(LockFilePath(mute.SlavePath())));
}

struct ReplugCase {
  const char* name;
  bool auto_reconnect;
  bool expected;  // while a production test waits for the unit to return
};

class Replug : public UnplugTest, public ::testing::WithParamInterface<ReplugCase> {};

TEST_P(Replug, TheDeviceIsOpenedAgainWhenItComesBackOnlyWhenAsked) {
  settings_.Update([&](ToolSettings& s) { s.auto_reconnect = GetParam().auto_reconnect; });
  ASSERT_TRUE(port_.Open());
  ASSERT_TRUE(Wakes());
  std::unique_ptr<ReturnExpected> expectation;
  if (GetParam().expected) expectation = std::make_unique<ReturnExpected>(port_);
  sim_.Stop();
  // How soon a removal is seen is the unplug tests' business; here a slow
  // machine (or a sanitizer's exit) only needs its time.
  ASSERT_TRUE(events_.WaitFor(1, 5s));
  test::DtuSimProcess again;
  ASSERT_TRUE(StartSim(again)) << again.error();
  const bool reopens = GetParam().auto_reconnect || GetParam().expected;
  // Without a wait for it, nothing happens: a short look is enough.
  EXPECT_EQ(events_.WaitFor(2, reopens ? 5s : 300ms), reopens);
  if (!reopens) {
    EXPECT_EQ(events_.Seen(), std::vector<std::string>{"removed " + link_});
    EXPECT_FALSE(port_.IsOpen());
    return;
  }
  EXPECT_EQ(events_.Seen(), (std::vector<std::string>{"removed " + link_, "returned " + link_}));
  EXPECT_FALSE(port_.Removed());
  EXPECT_TRUE(flags_.port_open);
  EXPECT_FALSE(flags_.port_closed);
  EXPECT_TRUE(Wakes());
}

INSTANTIATE_TEST_SUITE_P(Cases, Replug,
                         ::testing::Values(ReplugCase{"AutoReconnect", true, false},
                                           ReplugCase{"ProductionTestWaits", false, true},
                                           ReplugCase{"Neither", false, false}),
                         [](const ::testing::TestParamInfo<ReplugCase>& param) {
                           return std::string(param.param.name);
                         });

TEST_F(UnplugTest, CloseEndsTheWaitForTheDevice) {
  settings_.Update([](ToolSettings& s) { s.auto_reconnect = true; });
  ASSERT_TRUE(port_.Open());
  sim_.Stop();
  ASSERT_TRUE(events_.WaitFor(1, 1s));
  port_.Close();
  EXPECT_FALSE(port_.Removed());
  test::DtuSimProcess again;
  ASSERT_TRUE(StartSim(again)) << again.error();
  EXPECT_FALSE(events_.WaitFor(2, 300ms));
  EXPECT_FALSE(port_.IsOpen());
}

}  // namespace
}  // namespace zt
