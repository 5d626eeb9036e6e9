#pragma once
// Keeps the process's memory - decrypted pictures, passwords, key schedules - out of core files.

namespace quorvane {

// Marks the process not dumpable (which also keeps other processes of the same user from attaching
// to it) and sets its core file limit to 0. Called first thing in main(). True when both took effect.
bool ForbidCoreDumps();

} // namespace quorvane
