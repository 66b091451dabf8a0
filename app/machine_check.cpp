#include "app/machine_check.h"

#include <string>

#include "hw/pci_functions.h"
#include "ui/messages.h"

namespace {

const char kDriverAdvice[] =
    "Start Quillon as administrator, or install io.dll's driver. Nothing was written.";

std::string PortPathMessage(PortPath path) {
    if (path == PortPath::DriverNotRunning)
        return std::string("The port driver of io.dll is not running, so Quillon cannot reach the "
                           "chipset.\n") +
               kDriverAdvice;
    return std::string("The PCI configuration ports do not answer: a value written to the address port "
                       "0xCF8 did not read back. The port driver of io.dll is probably not running.\n") +
           kDriverAdvice;
}

}  // namespace

bool MachineReady() {
    const PortPath path = CheckPortPath();
    if (path != PortPath::Works) {
        ShowProgramMessage(PortPathMessage(path), kApplicationTitle);
        return false;
    }
    ReadFunctionIdentities();
    const std::string problems = IdentityProblems();
    if (!problems.empty()) {
        ShowProgramMessage(problems, kApplicationTitle);
        return false;
    }
    MarkAbsentDevices();
    return true;
}
