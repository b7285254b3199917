#pragma once
// The option the map programs share for their vector documents: --page-width MM.
#include <string>

#include "Options.h"

app::OptionSpec PageWidthOption();
// What is wrong with its value, "" when it is usable (ParsePageWidthMm reads it).
std::string PageWidthProblem(const app::Options& options);
