#include "cli/ports_command.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/console.h"
#include "serial/modem_manager.h"
#include "serial/port_list.h"

namespace zt::cli {
namespace {

constexpr const char* kRootVariable = "ZT_PORTS_ROOT";

std::string OrDash(const std::string& text) { return text.empty() ? "-" : text; }

std::string Holder(const PortInfo& port) {
  if (port.holder_pid == 0) return {};
  return (port.holder_program.empty() ? std::string("?") : port.holder_program) + " (PID " +
         std::to_string(port.holder_pid) + ")";
}

std::string Ids(const PortInfo& port) { return port.IsUsb() ? port.vendor_id + ":" + port.product_id : ""; }

void PrintLines(const std::vector<PortInfo>& ports) {
  for (const PortInfo& port : ports) {
    std::cout << port.kernel_name << '\t' << OrDash(port.stable_name) << '\t' << OrDash(port.Description())
              << '\t' << OrDash(Ids(port)) << '\t' << OrDash(port.serial) << '\t' << OrDash(Holder(port))
              << '\n';
  }
}

void PrintJson(const std::vector<PortInfo>& ports) {
  nlohmann::json list = nlohmann::json::array();
  for (const PortInfo& port : ports) {
    nlohmann::json entry = {
        {"name", port.kernel_name},
        {"device", port.device},
        {"stable_name", port.stable_name.empty() ? nlohmann::json() : nlohmann::json(port.stable_name)},
        {"setting", port.name},
        {"description", port.Description()},
        {"vendor_id", port.vendor_id},
        {"product_id", port.product_id},
        {"serial", port.serial},
        {"manufacturer", port.manufacturer},
        {"product", port.product},
        {"driver", port.driver},
        {"modem_manager_ignore", port.mm_ignore},
        {"holder", port.holder_pid == 0 ? nlohmann::json()
                                        : nlohmann::json{{"pid", port.holder_pid}, {"program", port.holder_program}}},
    };
    list.push_back(std::move(entry));
  }
  // Names from sysfs are bytes: what is not UTF-8 is replaced, not fatal.
  std::cout << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace

bool IsPortsCommand(int argc, char** argv) { return argc >= 2 && std::string(argv[1]) == "ports"; }

int RunPortsCommand(int argc, char** argv) {
  CLI::App app{"Lists the serial ports and who holds them", "zereltool-cli ports"};
  bool json = false;
  std::string rule_port;
  bool with_serial = false;
  app.add_flag("--json", json, "print the list as JSON");
  CLI::Option* rule = app.add_option("--udev-rule", rule_port,
                                     "print a udev rule for the USB port PORT (its VID:PID) that keeps "
                                     "ModemManager off it, group dialout, mode 0660");
  app.add_flag("--serial", with_serial, "name the device's serial number in the rule too")->needs(rule);
  try {
    app.parse(argc - 1, argv + 1);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? kExitOk : kExitUsage;
  }
  const char* root = std::getenv(kRootVariable);
  const std::vector<PortInfo> ports = ListPorts(root != nullptr ? root : "");
  if (rule->count() == 0) {
    if (json) {
      PrintJson(ports);
    } else {
      PrintLines(ports);
    }
    return kExitOk;
  }
  const PortInfo* port = FindPort(ports, rule_port);
  if (port == nullptr) {
    std::cerr << "zereltool-cli: no serial port " << rule_port << " (zereltool-cli ports lists them)\n";
    return kExitUsage;
  }
  if (!port->IsUsb()) {
    std::cerr << "zereltool-cli: " << rule_port << " is no USB device: a udev rule needs its VID:PID\n";
    return kExitUsage;
  }
  if (with_serial && port->serial.empty()) {
    std::cerr << "zereltool-cli: " << rule_port << " has no serial number\n";
    return kExitUsage;
  }
  std::cout << UdevRuleFor(*port, with_serial);
  return kExitOk;
}

}  // namespace zt::cli
