#pragma once

namespace plat {

// Readable (an eventfd counter) after the fake clock was set or advanced in
// this process; whoever waits for a time reads it and looks at the clock again.
int fake_clock_change_fd();

} // namespace plat
