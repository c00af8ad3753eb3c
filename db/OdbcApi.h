#pragma once
// The ODBC headers (unixODBC on Linux, the system's on Windows, where they
// need the system's base types first).
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
