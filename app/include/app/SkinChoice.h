#pragma once
#include "plat/Gdi.h"

#include <string_view>

class Settings;

namespace skinner {
class Properties;
}

// Which application skin the program shows: the settings' skin when it fits
// the screen, else the default one. A skin that cannot be shown must not stop
// every later start of the program.
namespace skin_choice {

// The form every application skin must hold for the screen.
constexpr wchar_t main_form[] = L"FormMain";
constexpr wchar_t dialogs_skin[] = L"%app_path%/dialogs.skin";

// The reader accepts the skin's header and pictures, and it chooses a
// "FormMain" for a screen of that size.
bool fits(std::wstring_view path, plat::POINT screen);
// Loads the settings' skin into properties, or the default skin when that one
// does not fit (the setting then names the default).
void load_app_skin(skinner::Properties& properties, Settings& settings, plat::POINT screen);
// The same at start-up, before any form is built from properties: the skin is
// read only once.
void load_first_skin(skinner::Properties& properties, Settings& settings, plat::POINT screen);

} // namespace skin_choice
