#include "base/Active.h"

#include "base/Log.h"
#include "base/Scheduler.h"

namespace {

CActiveScheduler& scheduler() {
    CActiveScheduler* s = get_active_scheduler();
    if (!s)
        liba::report_error(L"CActive", L"No active scheduler");
    return *s;
}

} // namespace

CActive::~CActive() {
    if (active_)
        liba::report_error(L"CActive::~CActive()", L"Active object is already active");
}

void CActive::set_active() { scheduler().set_active(this); }

void CActive::notify() { scheduler().notify(this); }

void CActive::cancel() {
    if (active_)
        scheduler().cancel(this);
}
