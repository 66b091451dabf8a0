#include "app/startup_registration.h"

// Registration arrives with the program's entry; until then both commands do nothing.
void ApplyStartupSettings() {}

void RemoveStartupSettings() {}
