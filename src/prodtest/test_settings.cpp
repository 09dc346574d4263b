#include "prodtest/test_settings.h"

#include <sys/stat.h>

#include "text/gbk.h"
#include "text/control_bytes.h"
#include "text/gbk_literal.h"
#include "text/profile_file.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

namespace {

constexpr std::string_view kSection = "TEST";
// The view reads its settings into 256-byte buffers.
constexpr std::size_t kReadBuffer = 256;
constexpr std::int64_t kLowestSignal = 0;
constexpr std::int64_t kHighestSignal = 31;
// What "RUN_CSQ" holds while the run-test item is not chosen.
constexpr std::string_view kUnusedSignal = "5";

bool IsFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string_view Flag(bool on) { return on ? "1" : "0"; }

std::string Read(const ProfileFile& file, std::string_view key) {
  std::string value = file.Get(kSection, key).value_or(std::string());
  if (value.size() > kReadBuffer - 1) value.resize(kReadBuffer - 1);
  return value;
}

StartVerdict Refuse(std::string_view text) { return {std::nullopt, std::string(text)}; }

}  // namespace

std::string_view StartRefusalCaption() { return "错误提示"_gbk; }

StartVerdict ValidateStart(const TestChoices& choices) {
  RunSettings run;
  bool configure_chosen = false;
  if (choices.configure_item) {
    if (!IsFile(choices.config_file)) return Refuse("请选择参数文件"_gbk);
    // Section "TEST" keeps the path in GBK, as every file of the tool.
    if (!Utf8ToGbk(choices.config_file)) return Refuse("参数文件路径含有GBK无法表示的字符"_gbk);
    run.config_file = choices.config_file;
    configure_chosen = true;
  }
  if (choices.run_test_item) {
    if (choices.signal_threshold < kLowestSignal || choices.signal_threshold > kHighestSignal) {
      return Refuse("输入错误, CSQ的范围是0~31"_gbk);
    }
    run.signal_threshold = static_cast<std::int32_t>(choices.signal_threshold);
    if (choices.key_string.empty()) return Refuse("请填写关键字符串"_gbk);
  } else if (!configure_chosen) {
    return Refuse("没有选择配置测试项"_gbk);
  }
  run.key_string = choices.key_string;
  run.allow_duplicate_imei = choices.allow_duplicate_imei;
  run.upgrade_file = choices.upgrade_file;
  return {std::move(run), {}};
}

bool WriteTestSection(const std::string& settings_path, const TestChoices& choices) {
  const std::optional<std::string> config_file =
      choices.configure_item ? Utf8ToGbk(choices.config_file) : std::optional<std::string>(std::string());
  if (!config_file) return false;
  std::optional<ProfileFile> file = ProfileFile::LoadForUpdate(settings_path);
  if (!file) return false;
  file->Set(kSection, "PRODUCT", choices.semi_finished ? "0" : "1");
  file->Set(kSection, "MULTI_TEST", Flag(choices.continuous));
  file->Set(kSection, "WAIT_TIMEVAL", Format("%d", choices.wait_time));
  file->Set(kSection, "CONFIG_TEST", Flag(choices.configure_item));
  file->Set(kSection, "CONFIG_FILE", *config_file);
  file->Set(kSection, "RUN_TEST", Flag(choices.run_test_item));
  file->Set(kSection, "RUN_CSQ",
            choices.run_test_item ? Format("%d", static_cast<int>(choices.signal_threshold))
                                  : std::string(kUnusedSignal));
  file->Set(kSection, "RUN_INFO", choices.run_test_item ? choices.key_string : std::string());
  return file->Save(settings_path);
}

std::string_view TestSectionNotSavedLine() { return "保存测试设置失败!\r\n"_gbk; }

TestViewOpening ReadTestSection(const std::string& settings_path) {
  const ProfileFile file = ProfileFile::Load(settings_path);
  TestViewOpening view;
  view.semi_finished = Read(file, "PRODUCT") == "0";
  if (Read(file, "MULTI_TEST") == "1") view.wait_time_text = Read(file, "WAIT_TIMEVAL");
  if (Read(file, "CONFIG_TEST") == "1") {
    view.configure_item = true;
    view.config_file = GbkToUtf8(Read(file, "CONFIG_FILE"));
  }
  if (Read(file, "RUN_TEST") == "1") {
    view.run_test_item = true;
    view.signal_threshold_text = Read(file, "RUN_CSQ");
    view.key_string = Read(file, "RUN_INFO");
  }
  // Continuous testing is always off when the view opens.
  view.continuous = false;
  return view;
}

TestControlStates RestoredTestControls(bool configure_ticked, bool continuous_ticked, bool run_test_ticked) {
  TestControlStates s;
  s.start = true;
  s.stop = false;
  s.test_type = true;
  s.continuous_box = true;
  s.configure_box = true;
  s.run_test_box = true;
  s.import_config = configure_ticked;
  s.wait_time_edit = continuous_ticked;
  s.key_string_edit = run_test_ticked;
  s.signal_threshold_edit = run_test_ticked;
  return s;
}

TestControlStates RunningTestControls() {
  TestControlStates s;
  s.stop = true;
  return s;
}

std::string_view SerialNumberCaption() { return "提示"_gbk; }
std::string_view DefaultImeiText() { return "12345678901234"; }

SerialNumberVerdict ProductNumberRefusal() {
  SerialNumberVerdict v;
  v.refusal = std::string("输入产品编号不合法"_gbk);
  v.focus = SerialNumberVerdict::Focus::kProduct;
  v.clear_product = true;
  return v;
}

SerialNumberVerdict CheckSerialNumbers(std::string_view product, std::string_view imei) {
  using Focus = SerialNumberVerdict::Focus;
  SerialNumberVerdict v;
  if (product.empty()) {
    v.refusal = std::string("产品编号不能为空"_gbk);
    v.focus = Focus::kProduct;
    return v;
  }
  // Byte by byte on the GBK text: a trail byte in that range counts too. A
  // control byte would end the command that carries the number.
  for (const char c : product) {
    if ((c >= 'a' && c <= 'z') || IsControlByte(c)) return ProductNumberRefusal();
  }
  bool digits = imei.size() == 14 || imei.size() == 15;
  for (const char c : imei) digits = digits && c >= '0' && c <= '9';
  if (!digits) {
    v.refusal = std::string("输入的IMEI号不合法"_gbk);
    v.focus = Focus::kImei;
    return v;
  }
  v.accepted = true;
  return v;
}

}  // namespace zt
