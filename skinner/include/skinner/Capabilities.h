#pragma once

// What kind of device the framework runs on. Each answer is worked out on
// its first call and kept for the life of the process.
namespace skinner {

// The platform type text is "smartphone" (any case).
bool is_smartphone();
// A Pocket PC whose operating system is newer than major version 4 (the
// shell with two soft buttons on its menu bar).
bool is_pocket_pc_new_os();
// Test seam: the next call of each asks the device again (after a test changed
// the screen profile).
void forget_capabilities();

} // namespace skinner
