// The machine-wide hold on the configuration ports (a named mutex), for the program's
// port operations. Lock throws ProgramError, before any port is touched, when the
// ports stay busy too long.
#pragma once

void LockConfigPorts();
void UnlockConfigPorts();
