#pragma once

#include <ostream>

namespace ondrel {

// ondrel-sim's usage: its forms and what each option does.
void PrintUsage(std::ostream& out);

}  // namespace ondrel
