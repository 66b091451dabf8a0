// boot.qln in the machine's Quillon folder: the six registers as the first Quillon run
// of each boot read them, before anything was written, as a complete settings file.
// Unless another program changed the chipset first, it holds what the firmware set.
#pragma once
#include <string>

// Where the snapshot is; empty when there is no machine folder.
std::string BootSnapshotPath();

// Called by every run after its first read of the registers and before any write:
// records that read as the boot's first where no run of the boot did (app/boot_record),
// and saves the boot's first read when the snapshot there is of an earlier boot (or
// missing). Never the registers as a later run found them, nor a first read that holds
// what the log says Quillon last wrote (a restart without a reset). A run that cannot
// tell the boot, or finds no record of its first read, leaves the snapshot alone; one
// that cannot write it says so in the log, with the values, and goes on.
void TakeBootSnapshot();

// The snapshot to load, for the window's command; empty when there is none.
std::string ExistingBootSnapshot();
