#pragma once
// The database state an operation works with, owned by the main window:
// the SQL text being built and the two query objects.
#include <string>

#include "db/Query.h"

namespace jc::db {

struct Session {
  std::string SqlText;
  TADOQuery Ado_Qry{"Ado_Qry"};   // statements that return rows, through OpenQuery
  TADOQuery Ado_Exec{"Ado_Exec"}; // statements without rows, through ExecQuery
};

}  // namespace jc::db
