#pragma once
// The full path of the running program's executable, or "" when the system does not say.
#include <string>

std::string ExecutablePath();
