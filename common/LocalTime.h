#pragma once
// The local wall-clock time of a moment, by the system's time zone rules.
#include <ctime>

namespace jc {

std::tm LocalTime(std::time_t t);

}  // namespace jc
