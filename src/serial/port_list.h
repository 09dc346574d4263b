// The serial ports the machine has, with what udev knows of them.
//
// Listed: ttyS ports with a real UART behind them (the kernel makes ttyS0 to
// ttyS31 whether or not there is hardware: those whose UART type is unknown
// are left out, as other serial tools do), and every ttyUSB, ttyACM, ttyAMA,
// ttyXRUSB and rfcomm device. For each: the USB vendor and product ids,
// names and serial number from sysfs, udev's properties, the stable
// /dev/serial/by-id link, and who holds it now (a lock file, else an open
// descriptor in another process).
//
// Everything is read under a root folder: "" is the machine itself; tests
// give a fixture tree with sys/class/tty/..., sys/devices/..., dev/... and
// run/udev/data/c<major>:<minor> (udev's database; the machine's own
// properties come from libudev). Nothing here opens a device, except a ttyS
// port whose type sysfs does not tell (TIOCGSERIAL, machine only).
//
// Thread safety: the functions keep no state; any thread.
#pragma once

#include <string>
#include <vector>

namespace zt {

struct PortInfo {
  std::string kernel_name;    // ttyUSB0
  std::string device;         // /dev/ttyUSB0 (under the root)
  std::string stable_name;    // /dev/serial/by-id/usb-... (under the root), "" when there is none
  std::string name;           // what the connection settings store: COM<n> for ttyS<n-1>, else the
                              // stable name when there is one, else the device path
  std::string vendor_id;      // "0403" (USB only, else "")
  std::string product_id;     // "6001"
  std::string serial;         // the USB serial number, "" when none
  std::string manufacturer;   // "FTDI"
  std::string product;        // "FT232R USB UART"
  std::string driver;         // "ftdi_sio"
  bool mm_ignore = false;     // udev tags it ID_MM_DEVICE_IGNORE
  long holder_pid = 0;        // a process that holds it, 0 when none is known
  std::string holder_program;

  // "FT232R USB UART (0403:6001, A50285BI)", or what is known of it.
  std::string Description() const;
  // "ttyUSB0 — FT232R USB UART (0403:6001, A50285BI)" (UTF-8, ASCII when the names are).
  std::string Label() const;
  bool IsUsb() const { return !vendor_id.empty(); }
};

// The ports under `root`, in the order ttyS, ttyUSB, ttyACM, ttyAMA,
// ttyXRUSB, rfcomm, each by number.
std::vector<PortInfo> ListPorts(const std::string& root = "");

// The listed port that `name` stands for: a COM<n> name, a device path, a
// stable name, a kernel name or a link to one of them. Nothing when none.
const PortInfo* FindPort(const std::vector<PortInfo>& ports, const std::string& name);

// The identity of the USB device behind a device path (its links resolved),
// read from sysfs under `root`; empty fields when it is no USB device.
struct UsbIdentity {
  std::string vendor_id;
  std::string product_id;
  std::string serial;
  bool operator==(const UsbIdentity&) const = default;
};
UsbIdentity UsbIdentityOf(const std::string& device_path, const std::string& root = "");

}  // namespace zt
