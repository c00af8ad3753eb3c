#include "db/Backend.h"

namespace jc::db {

ConnectionLost::ConnectionLost(const std::string& providerText)
    : DbError("데이터베이스 연결이 끊어져 작업을 중단했습니다.\n" + providerText), provider_(providerText) {}

void Backend::QueryInto(const std::string& sql, RowSink& sink) {
  const ResultSet rs = Query(sql);
  sink.Columns(rs.columns);
  for (const auto& row : rs.rows) sink.Row(row);
}

// Keeps every row it is handed: Query on top of QueryInto.
void CollectingSink::Columns(const std::vector<std::string>& names) { result.columns = names; }
void CollectingSink::Row(const std::vector<Cell>& cells) { result.rows.push_back(cells); }

}  // namespace jc::db
