#include "plat/CommonControls.h"

#include "plat/Errors.h"
#include "ui/controls/DateTimePicker.h"

namespace plat {

bool init_common_controls_ex(const InitCommonControlsEx& init) {
    if (init.size != sizeof(InitCommonControlsEx)) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (init.flags & ICC_DATE_CLASSES)
        ui::controls::DateTimePicker::register_class();  // and its month calendar
    return true;
}

} // namespace plat
