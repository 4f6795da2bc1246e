#pragma once
#include <string>

// The run-time switches: CHIMELY_* variables of the environment.
namespace plat::switches {

// The switch's value; "" when it is unset.
std::string value(const char* name);
// Tells on standard error, once per process and switch, that its value is not
// used and why: "NAME=VALUE why".
void warn(const char* name, const std::string& why);

} // namespace plat::switches
