#include "config_test_frame.h"

#include "common/program_path.h"

namespace zt::ui::test {

ConfigTestFrame::ConfigTestFrame()
    : port(std::make_unique<CSerialPort>(settings, flags)), folder(ProgramDirectory()) {}

ConfigTestFrame::~ConfigTestFrame() = default;

}  // namespace zt::ui::test
