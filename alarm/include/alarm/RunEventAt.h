#pragma once
#include "base/TimeStamp.h"

#include <string>

// The program the device starts for a wake-up: "%app_path%/Bellcue.exe", the
// program itself under a second name.
std::wstring wake_up_program();
// Registers the wake-up program to start at the local time with the command
// line "AppRunAtTime", replacing the earlier registration.
bool run_event_at(const liba::TimeStamp& time);
