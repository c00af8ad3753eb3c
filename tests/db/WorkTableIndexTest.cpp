// The store's indexes of the unmarked rows of the tool's work tables: a page
// or pass finds exactly the rows a scan would, in insertion order, and one
// that finds nothing is a lookup instead of a walk over every row done.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "db/Names.h"
#include "db/Query.h"
#include "db/Session.h"
#include "db/SqliteStore.h"
#include "db/Tsql.h"
#include "support/TestStore.h"

namespace jc::db {
namespace {

constexpr int kRows = 3000;

std::string Key(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "K%05d", i);
  return buf;
}

// The virtual-machine steps the store's prepared form of sql has taken
// since the last call (it is found among the statements the store keeps).
class Steps {
 public:
  Steps(test::TestStore& store, const std::string& sql) {
    handle_ = dynamic_cast<SqliteBackend&>(store.Connection().backend()).Handle();
    tsql::Tokens tokens;
    tsql::Tokenize(sql, tokens);
    text_ = tsql::Translate(tokens).sql;
  }
  int Take() {
    for (sqlite3_stmt* st = sqlite3_next_stmt(handle_, nullptr); st; st = sqlite3_next_stmt(handle_, st))
      if (text_ == sqlite3_sql(st)) return sqlite3_stmt_status(st, SQLITE_STMTSTATUS_VM_STEP, 1);
    ADD_FAILURE() << "no prepared statement " << text_;
    return -1;
  }

 private:
  sqlite3* handle_ = nullptr;
  std::string text_;
};

struct Case {
  const char* what;
  std::function<void(test::TestStore&)> make;  // the work table with kRows rows, keys in order
  std::string read;                            // the page or pass, as the operation sends it
  std::string key;                             // the key column it reads
  std::function<std::string(const std::string&)> mark;
  std::string unmarkAll;  // a statement that unmarks every row again, or empty
};

void FillMapping(test::TestStore& store) {
  store.Exec(std::string(names::sql::CreateTempMappingBak));
  store.Exec(std::string(names::sql::CreateTempMappingIndex));
  store.Exec("BEGIN TRANSACTION");
  for (int i = 0; i < kRows; ++i) store.Exec("INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM) VALUES('" + Key(i) + "')");
  store.Exec("COMMIT TRANSACTION");
}

// The dispensing records, masked with a value, copied as the audits copy
// them; a record without a value is not copied.
void FillScratch(test::TestStore& store, const std::string& columns, std::string_view index) {
  store.Exec("BEGIN TRANSACTION");
  for (int i = 0; i < kRows; ++i)
    store.Exec("INSERT INTO TV_PRES..PS_MAIN(PRESERIAL, CUSCODE, PANUM, PANAME, TEMPNUM, INDATE) VALUES('" + Key(i) +
               "', '" + Key(i) + "', '9001011******', 'N', 'V" + std::to_string(i) + "', '20240101')");
  store.Exec("INSERT INTO TV_PRES..PS_MAIN(PRESERIAL, PANUM) VALUES('none', '9001011******')");
  store.Exec("COMMIT TRANSACTION");
  store.Exec("SELECT * INTO TV_BASE..JUMIN_CHECK   FROM (SELECT " + columns +
             ", '' AS CHK           FROM TV_PRES..PS_MAIN          WHERE RIGHT(PANUM,6) = '******' AND TEMPNUM IS "
             "NOT NULL           ) AS T1 ");
  store.Exec(std::string(index));
}

std::vector<Case> Cases() {
  return {
      {"the mapping build's page", FillMapping,
       " SELECT TOP 10000 * FROM TV_BASE..TEMP_MAPPING_BAK WHERE ENCRYPT IS NULL", "PANUM",
       [](const std::string& k) {
         return " UPDATE TV_BASE..TEMP_MAPPING_BAK SET ENCRYPT = 'E" + k + "' WHERE PANUM = '" + k + "'";
       },
       "UPDATE TV_BASE..TEMP_MAPPING_BAK SET ENCRYPT = NULL"},
      {"the verification's page", FillMapping,
       "SELECT TOP 10000 PANUM, ENCRYPT FROM TV_BASE..TEMP_MAPPING_BAK WHERE CHECKFLG IS NULL", "PANUM",
       [](const std::string& k) {
         return "UPDATE TV_BASE..TEMP_MAPPING_BAK    SET CHECKFLG = '1'  WHERE PANUM = '" + k + "'";
       },
       "UPDATE TV_BASE..TEMP_MAPPING_BAK    SET CHECKFLG = NULL "},
      {"the dispensing audit's pass",
       [](test::TestStore& s) {
         FillScratch(s, "PRESERIAL, CUSCODE, PANUM, PANAME, TEMPNUM", names::sql::CreateJuminCheckIndexDispensing);
       },
       "SELECT PRESERIAL, CUSCODE, PANUM, PANAME, TEMPNUM  FROM TV_BASE..JUMIN_CHECK WHERE RIGHT(PANUM,6) = "
       "'******' AND TEMPNUM IS NOT NULL AND CHK <> '1' ",
       "PRESERIAL",
       [](const std::string& k) { return "UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1' WHERE PRESERIAL = '" + k + "'"; },
       ""},
      {"the customer audit's page",
       [](test::TestStore& s) {
         FillScratch(s, "CUSCODE, PRESERIAL AS SEQ, INDATE, PANUM, PANAME, TEMPNUM",
                     names::sql::CreateJuminCheckIndexCustomer);
       },
       "SELECT TOP 10000 CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM  FROM TV_BASE..JUMIN_CHECK WHERE "
       "RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL AND CHK <> '1' ",
       "CUSCODE",
       [](const std::string& k) {
         return "UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1'  WHERE CUSCODE = '" + k + "'   AND SEQ     = '" + k + "'";
       },
       ""},
  };
}

std::vector<std::string> ReadKeys(TADOQuery& q, const std::string& sql, const std::string& key) {
  std::vector<std::string> keys;
  EXPECT_TRUE(OpenQuery(q, sql)) << q.LastError();
  for (; !q.Eof(); q.Next()) keys.push_back(q.FieldAsString(key));
  return keys;
}

TEST(WorkTableIndexes, PagesFindTheUnmarkedRowsInOrderAndAnEmptyOneIsALookup) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.what);
    test::TestStore store;
    Session s;
    s.Ado_Qry.Connection = s.Ado_Exec.Connection = &store.Connection();
    c.make(store);
    Steps steps(store, c.read);

    std::vector<std::string> all;
    for (int i = 0; i < kRows; ++i) all.push_back(Key(i));
    EXPECT_EQ(ReadKeys(s.Ado_Qry, c.read, c.key), all);
    const int fullSteps = steps.Take();

    // Every row marked but three, spread over the table.
    const std::set<int> left = {0, 1234, kRows - 1};
    for (int i = 0; i < kRows; ++i)
      if (!left.count(i)) ASSERT_TRUE(ExecQuery(s.Ado_Exec, c.mark(Key(i)))) << s.Ado_Exec.LastError();
    std::vector<std::string> expected;
    for (int i : left) expected.push_back(Key(i));
    EXPECT_EQ(ReadKeys(s.Ado_Qry, c.read, c.key), expected);
    steps.Take();

    for (int i : left) ASSERT_TRUE(ExecQuery(s.Ado_Exec, c.mark(Key(i))));
    EXPECT_TRUE(ReadKeys(s.Ado_Qry, c.read, c.key).empty());
    // A scan would step through every row done; the index has none to give.
    const int emptySteps = steps.Take();
    EXPECT_LT(emptySteps, 100) << "reading all " << kRows << " rows took " << fullSteps;

    if (!c.unmarkAll.empty()) {
      ASSERT_TRUE(ExecQuery(s.Ado_Exec, c.unmarkAll));
      EXPECT_EQ(ReadKeys(s.Ado_Qry, c.read, c.key), all);
    }
    // Dropped with its table, made again with it.
    ASSERT_TRUE(ExecQuery(s.Ado_Exec, c.key == "PANUM" ? std::string(names::sql::DropTempMappingBak)
                                                       : std::string(names::sql::DropJuminCheck)));
    ASSERT_TRUE(ExecQuery(s.Ado_Exec, c.key == "PANUM" ? std::string(names::sql::CreateTempMappingBak)
                                                       : "SELECT * INTO TV_BASE..JUMIN_CHECK FROM (SELECT 'x' AS " +
                                                             c.key + ", '' AS CHK) AS T1"));
  }
}

// Only the work tables get them, and only for their marker columns.
TEST(WorkTableIndexes, OnlyTheWorkTablesMarkerColumns) {
  struct Probe {
    const char *schema, *table;
    std::vector<std::string> columns;
    std::size_t indexes;
  } probes[] = {
      {"TV_BASE", "TEMP_MAPPING_BAK", {"PANUM", "ENCRYPT", "CHECKFLG"}, 2},
      {"tv_base", "temp_mapping_bak", {"panum", "encrypt"}, 1},
      {"TV_BASE", "JUMIN_CHECK", {"PRESERIAL", "CHK"}, 1},
      {"TV_BASE", "JUMIN_CHECK", {"PRESERIAL"}, 0},
      {"TV_BASE", "TEMP_MAPPING", {"PANUM", "ENCRYPT", "UPDATE_STEP"}, 0},
      {"TV_PRES", "JUMIN_CHECK", {"CHK"}, 0},
      {"TV_BASE", "CD_PERSON", {"CHK", "ENCRYPT"}, 0},
  };
  for (const Probe& p : probes)
    EXPECT_EQ(tsql::UnmarkedRowIndexes(p.schema, p.table, p.columns).size(), p.indexes) << p.schema << "." << p.table;
}

}  // namespace
}  // namespace jc::db
