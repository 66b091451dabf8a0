#include "hw/pci_functions.h"
// The table alone; its identity read and checks come with the start-up check.
namespace {
constexpr FunctionArray kFunctionLayout = {{
    {FunctionId::HostBridge, "host bridge", 0, 0, 0, "HostBridge", FunctionRole::HostBridge, false, false,
     0, 0, 0, 0},
    {FunctionId::MemoryController, "memory controller", 0, 0, 1, "MemoryController",
     FunctionRole::MemoryController, false, true, 0, 0, 0, 0},
    {FunctionId::AgpBridge, "AGP bridge", 0, 30, 0, "AgpBridge", FunctionRole::PciBridge, true, false, 0, 0,
     0, 0},
    {FunctionId::PciBridge, "PCI bridge", 0, 8, 0, "PciBridge", FunctionRole::PciBridge, true, false, 0, 0, 0,
     0},
}};

}
FunctionArray FunctionTable = kFunctionLayout;
bool IsPresent(const PciFunction& f) { const uint32_t v = f.VendorDevice & 0xFFFF; return v != 0xFFFF && v != 0; }
