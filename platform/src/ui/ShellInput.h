#pragma once
#include "plat/Gdi.h"

#include <cstdint>

// Where the shell's menus take input before it is routed to windows: every
// key and pointer event while a popup menu is open, the soft keys and the
// overridden Back key for the shown menu bar, taps on the bottom band's bar
// and on the title-bar OK. The keyboard and the pointer call these first.
namespace plat::ui {

// Installs the bottom band's painter and the input script's `soft` and
// `choose` lines; the first menu bar or popup menu does it.
void install_shell_menus();

bool shell_takes_key(uint32_t virtual_key, bool down, bool was_down);

enum class PointerEvent { down, move, up };
bool shell_takes_pointer(PointerEvent event, POINT screen);

} // namespace plat::ui
