#include "alarm/RunEventAt.h"

#include "base/Path.h"
#include "plat/WakeUp.h"

std::wstring wake_up_program() { return liba::expand_path_macros(L"%app_path%/Bellcue.exe"); }

bool run_event_at(const liba::TimeStamp& time) {
    plat::SystemTime fields = time.system_time();
    fields.milliseconds = 0;
    return plat::register_wake_up(wake_up_program(), fields);
}
