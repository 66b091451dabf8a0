// The record of each boot's first read of the registers, kept where it lasts exactly
// as long as the boot and apart from the snapshot file: a snapshot that could not be
// saved (boot.qln held open by a scanner) must not let a later run of the same boot,
// after a Quillon write, save the tuning as the firmware's values.
//
// Windows 2000 and later: the volatile registry key HKLM\Software\Quillon\Boot, which
// Windows never writes to disk and so drops at every restart; only administrators (and
// SYSTEM) may make it. Windows 98 and ME keep no volatile keys (they save the whole
// registry): there the record is a global atom whose name carries the values, as the
// atoms live until Windows restarts, and every run of any copy of Quillon finds it.
#pragma once
#include "model/write_report.h"

struct BootFirstRead {
    RegisterValues values{};
    // False when the first read found what Quillon's last logged write left: a restart
    // without a reset (9x's restart without a POST), so no values of this boot are the
    // firmware's.
    bool firmware = false;
};

enum class BootRecordState { Earlier, MadeNow, Unrecorded };

// The boot's first read as an earlier run recorded it, or else `read` recorded now as
// the first (with `firmware` saying whether it is the firmware's). Unrecorded when
// there is none and none can be made (a user who may not write the registry key): no
// run then knows the boot's first read.
BootRecordState RecordFirstRead(const BootFirstRead& read, BootFirstRead* first);
