// What the commands print to stdout is their product: a write that failed
// (a full disk, /dev/full) must end with a message and a non-zero exit, not
// with 0.
#pragma once

// Flushes stdout. When anything written to it was lost, says so on stderr
// and returns 1 (or code, when that is an error already); else code.
int ExitAfterOutput(int code);
