#pragma once

// What the program asks of the system for itself once, at the start, before it reads a
// password: no core dump that would hold one, and a file-size limit that makes a write fail
// with an error instead of ending the program.
namespace process_guards {

// Core dumps off (RLIMIT_CORE 0, not dumpable, which also keeps other processes of the same
// account from reading its memory), and SIGXFSZ ignored. False when one of them failed.
bool apply();

} // namespace process_guards
