// What tells one boot of the machine from the next, so that the snapshot of the
// registers is taken once a boot, by the first Quillon that reads them.
//
// Windows NT and later build the registry's HARDWARE tree afresh at every start and
// never save it: the time they wrote its description of the system is that boot's
// mark, the same for every run of the boot however the clock is set meanwhile.
// Windows 98 and ME keep no write times, and nothing of their registry is dropped at
// shutdown; their global atoms live until Windows restarts, so a run that finds none
// of a snapshot's mark makes one.
#pragma once
#include <string>

enum class BootMatch { ThisBoot, EarlierBoot, CannotTell };

// Whether the mark stored with a snapshot (empty when there is none) is this boot's.
BootMatch MatchBoot(const std::string& snapshotMark);

// This boot's mark for a snapshot taken now; empty when there is none to be had.
std::string MarkThisBoot();
