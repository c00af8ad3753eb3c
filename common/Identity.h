#pragma once
// Who makes a change: the computer's name and the signed-in user's name, as
// the operating system gives them (recorded beside every journaled change).
#include <string>

namespace jc {

// The computer's name; "unknown" when the system does not tell.
std::string MachineName();
// The name of the user running the program; "unknown" when the system does
// not tell.
std::string UserName();

}  // namespace jc
