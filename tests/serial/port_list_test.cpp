// The port list from a fixture tree (sysfs, /dev links, udev's database),
// the udev rule and the ModemManager look-up.
#include "serial/port_list.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "serial/modem_manager.h"
#include "serial/udev_properties.h"
#include "serial/uucp_lock.h"
#include "support/temp_dir.h"

namespace zt {
namespace {

namespace fs = std::filesystem;

// A machine with a FTDI adapter (ttyUSB0, by-id link), a CDC modem that udev
// keeps from ModemManager (ttyACM0), a real UART (ttyS0), a UART without
// hardware (ttyS1, type 0), a ttyS without a device (ttyS2) and a console.
class FixtureMachine {
 public:
  FixtureMachine() {
    const std::string usb = "sys/devices/pci0000:00/0000:00:14.0/usb1/1-1";
    Attributes(usb, {{"idVendor", "0403"}, {"idProduct", "6001"}, {"serial", "A50285BI"},
                     {"manufacturer", "FTDI"}, {"product", "FT232R USB UART"}});
    Tty("ttyUSB0", usb + "/1-1:1.0/ttyUSB0", "188:0");
    const std::string acm = "sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";
    Attributes(acm, {{"idVendor", "1E0E"}, {"idProduct", "9001"}, {"product", "ZR-3100"}});
    Tty("ttyACM0", acm + "/1-2:1.0", "166:0");
    File("run/udev/data/c166:0", "I:12345\nE:ID_MM_DEVICE_IGNORE=1\nE:ID_VENDOR_ID=1e0e\n");
    Tty("ttyS0", "sys/devices/pnp0/00:04", "4:64", "4");
    Tty("ttyS1", "sys/devices/platform/serial8250", "4:65", "0");
    Tty("ttyS2", "", "4:66");
    Tty("console", "", "5:1");
    Link("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "../../ttyUSB0");
  }
  const std::string& root() const { return dir_.path(); }
  std::string Path(const std::string& relative) const { return root() + "/" + relative; }

 private:
  void File(const std::string& relative, const std::string& text) {
    fs::create_directories(fs::path(Path(relative)).parent_path());
    std::ofstream(Path(relative)) << text;
  }
  void Attributes(const std::string& folder, std::vector<std::pair<std::string, std::string>> values) {
    for (const auto& [name, value] : values) File(folder + "/" + name, value + "\n");
  }
  void Link(const std::string& relative, const std::string& target) {
    fs::create_directories(fs::path(Path(relative)).parent_path());
    fs::create_symlink(target, Path(relative));
  }
  // As sysfs has it: class/tty/<name> leads to the tty's folder under its
  // device, whose "device" link leads back to the device.
  void Tty(const std::string& name, const std::string& device, const std::string& numbers,
           const std::string& type = "") {
    const std::string folder = device.empty() ? "sys/devices/virtual/tty/" + name : device + "/tty/" + name;
    File(folder + "/dev", numbers + "\n");
    if (!type.empty()) File(folder + "/type", type + "\n");
    if (!device.empty()) Link(folder + "/device", "../..");
    Link("sys/class/tty/" + name, fs::relative(Path(folder), Path("sys/class/tty")).string());
    File("dev/" + name, "");
  }

  test::TempDir dir_;
};

TEST(ListPorts, ListsRealDevicesWithWhatUdevKnows) {
  FixtureMachine machine;
  const std::vector<PortInfo> ports = ListPorts(machine.root());
  ASSERT_EQ(ports.size(), 3u);

  EXPECT_EQ(ports[0].kernel_name, "ttyS0");
  EXPECT_EQ(ports[0].name, "COM1");
  EXPECT_FALSE(ports[0].IsUsb());

  const PortInfo& usb = ports[1];
  EXPECT_EQ(usb.kernel_name, "ttyUSB0");
  EXPECT_EQ(usb.device, machine.Path("dev/ttyUSB0"));
  EXPECT_EQ(usb.stable_name, machine.Path("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"));
  EXPECT_EQ(usb.name, usb.stable_name);
  EXPECT_EQ(usb.Label(), "ttyUSB0 \xE2\x80\x94 FT232R USB UART (0403:6001, A50285BI)");
  EXPECT_FALSE(usb.mm_ignore);

  const PortInfo& acm = ports[2];
  EXPECT_EQ(acm.kernel_name, "ttyACM0");
  EXPECT_EQ(acm.name, machine.Path("dev/ttyACM0"));  // no stable name
  EXPECT_EQ(acm.vendor_id, "1e0e");
  EXPECT_EQ(acm.Description(), "ZR-3100 (1e0e:9001)");
  EXPECT_TRUE(acm.mm_ignore);
}

TEST(ListPorts, NamesTheHolderOfALiveLockFile) {
  FixtureMachine machine;
  test::TempDir locks;
  SetLockFolderForTests(locks.path());
  std::ofstream(locks.File("LCK..ttyUSB0")) << "      " << getpid() << "\n";
  const std::vector<PortInfo> ports = ListPorts(machine.root());
  SetLockFolderForTests("");
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[1].holder_pid, getpid());
  EXPECT_EQ(ports[1].holder_program, ProgramOfPid(getpid()));
  EXPECT_EQ(ports[2].holder_pid, 0);
}

TEST(FindPort, TakesEveryNameOfAPort) {
  FixtureMachine machine;
  const std::vector<PortInfo> ports = ListPorts(machine.root());
  for (const std::string& name :
       {std::string("ttyUSB0"), machine.Path("dev/ttyUSB0"),
        machine.Path("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")}) {
    SCOPED_TRACE(name);
    const PortInfo* found = FindPort(ports, name);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->kernel_name, "ttyUSB0");
  }
  ASSERT_NE(FindPort(ports, "COM1"), nullptr);
  EXPECT_EQ(FindPort(ports, "COM1")->kernel_name, "ttyS0");
  EXPECT_EQ(FindPort(ports, "COM2"), nullptr);
}

TEST(UsbIdentityOf, ReadsTheUsbDeviceBehindALink) {
  FixtureMachine machine;
  const UsbIdentity identity =
      UsbIdentityOf(machine.Path("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"), machine.root());
  EXPECT_EQ(identity, (UsbIdentity{"0403", "6001", "A50285BI"}));
  EXPECT_EQ(UsbIdentityOf(machine.Path("dev/ttyS0"), machine.root()), UsbIdentity{});
}

TEST(UdevRuleFor, KeepsModemManagerOffTheDeviceForGroupDialout) {
  PortInfo port;
  port.kernel_name = "ttyUSB0";
  port.vendor_id = "0403";
  port.product_id = "6001";
  port.serial = "A50285BI";
  port.product = "FT232R USB UART";
  EXPECT_EQ(UdevRuleFor(port, false),
            "# ttyUSB0: FT232R USB UART (0403:6001, A50285BI)\n"
            "# kept away from ModemManager, for the users of group dialout\n"
            "SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6001\", "
            "ENV{ID_MM_DEVICE_IGNORE}=\"1\", GROUP=\"dialout\", MODE=\"0660\"\n");
  EXPECT_NE(UdevRuleFor(port, true).find("ATTRS{idProduct}==\"6001\", ATTRS{serial}==\"A50285BI\", ENV"),
            std::string::npos);
}

TEST(ModemManagerRunning, LooksForItsProcess) {
  test::TempDir proc;
  fs::create_directories(proc.File("1"));
  std::ofstream(proc.File("1/comm")) << "systemd\n";
  EXPECT_FALSE(ModemManagerRunning(proc.path()));
  fs::create_directories(proc.File("812"));
  std::ofstream(proc.File("812/comm")) << "ModemManager\n";
  EXPECT_TRUE(ModemManagerRunning(proc.path()));
}

TEST(ParseUdevDatabase, TakesThePropertyLines) {
  EXPECT_EQ(ParseUdevDatabase("S:serial/by-id/x\nE:ID_MM_DEVICE_IGNORE=1\nE:ID_MODEL=a=b\nG:systemd\n"),
            (UdevProperties{{"ID_MM_DEVICE_IGNORE", "1"}, {"ID_MODEL", "a=b"}}));
}

}  // namespace
}  // namespace zt
