#include "common/LocalTime.h"

namespace jc {

std::tm LocalTime(std::time_t t) {
  std::tm local{};
  localtime_s(&local, &t);
  return local;
}

}  // namespace jc
