#include "common/LocalTime.h"

namespace jc {

std::tm LocalTime(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  return local;
}

}  // namespace jc
