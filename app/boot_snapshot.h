// boot.qln in the machine's Quillon folder: the six registers as the first Quillon run
// of each boot read them, before anything was written, as a complete settings file.
// Unless another program changed the chipset first, it holds what the firmware set.
#pragma once
#include <string>

// Where the snapshot is; empty when there is no machine folder.
std::string BootSnapshotPath();

// Called by every run right after its first read of the registers, while the cached
// values are still the hardware's: saves them when the snapshot there is of an earlier
// boot (or missing). A run that cannot tell the boot leaves it alone, and one that
// cannot write it goes on as if it had.
void TakeBootSnapshot();

// The snapshot to load, for the window's command; empty when there is none.
std::string ExistingBootSnapshot();
