// The change journal as an operator uses it on a demo root: a repair and a
// restore leave their journal rows, `journal` lists them, `undo` puts back
// what they replaced where nothing changed since, and is journaled itself;
// over the whole walk the journal holds stored values only, never a number.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/DemoProgram.h"

namespace jc::test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows Sql(const DemoRoot& root, const std::string& statement) {
  const auto r = root.Run({"sql", statement});
  EXPECT_EQ(r.status, 0) << statement << "\n" << r.out << r.err;
  return ParseTsv(r.out);
}

TEST(JournalProgram, RepairAndRestoreAreJournaledAndUndoneWhereNothingChangedSince) {
  DemoRoot root("journal", 300, 21);
  EXPECT_EQ(ParseTsv(root.Run({"journal"}).out), (Rows{{"id", "time", "machine", "user", "operation", "records"}}));

  // A repair of a customer found by the audit.
  std::string code;
  for (const auto& f : root.summary.findings)
    if (f.seq != "1") code = f.cuscode;
  ASSERT_FALSE(code.empty());
  const Rows before = Sql(root, "SELECT SEQ, TEMPNUM FROM TV_BASE..CD_PERSON WHERE CUSCODE = '" + code + "' ORDER BY SEQ");
  const std::size_t customerRecords = before.size() - 1;  // below the header
  ASSERT_GE(customerRecords, 2u);
  const auto repair = root.Run({"repair", code, "1", "--yes"});
  ASSERT_EQ(repair.status, 0) << repair.err;
  // A dispensing audit and its restore.
  const auto restore = root.Run({"audit-dispensing", "--table", "PS_MAIN", "--restore"});
  ASSERT_EQ(restore.status, 0) << restore.err;

  const Rows ops = ParseTsv(root.Run({"journal"}).out);
  ASSERT_GE(ops.size(), 2u);
  std::string repairId;
  for (std::size_t i = 1; i < ops.size(); ++i)
    if (ops[i][4] == "repair") repairId = ops[i][0];
  ASSERT_FALSE(repairId.empty());
  EXPECT_EQ(ParseTsv(root.Run({"journal", "--last", "1"}).out).size(), 2u);

  // The repair's records: every one still holds the value written.
  const Rows records = ParseTsv(root.Run({"journal", repairId}).out);
  ASSERT_EQ(records.size(), customerRecords + 1) << root.Run({"journal", repairId}).out;
  for (std::size_t i = 1; i < records.size(); ++i) {
    EXPECT_EQ(records[i][0], "TV_BASE..CD_PERSON");
    EXPECT_EQ(records[i][1], code);
    EXPECT_EQ(records[i][6], "yes");
  }

  // One record changed since (another program): the undo leaves it.
  const std::string changedSeq = before.back()[0];
  Sql(root, "UPDATE TV_BASE..CD_PERSON SET TEMPNUM = 'meanwhile01' WHERE CUSCODE = '" + code + "' AND SEQ = '" +
                changedSeq + "'");
  EXPECT_EQ(root.Run({"undo", repairId}).status, 2);  // no terminal, no --yes: nothing done
  const auto undo = root.Run({"undo", repairId, "--yes"});
  ASSERT_EQ(undo.status, 0) << undo.err;
  EXPECT_NE(undo.err.find("그 뒤에 바뀌어 건너뛴 기록 1건"), std::string::npos) << undo.err;
  Rows expected = before;
  expected.back()[1] = "meanwhile01";
  EXPECT_EQ(Sql(root, "SELECT SEQ, TEMPNUM FROM TV_BASE..CD_PERSON WHERE CUSCODE = '" + code + "' ORDER BY SEQ"),
            expected);

  // The undo is journaled too, so it can be undone in turn.
  const Rows after = ParseTsv(root.Run({"journal", "--last", "1"}).out);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[1][4], "undo");
  EXPECT_EQ(after[1][5], std::to_string(customerRecords - 1));
  EXPECT_EQ(root.Run({"journal", "no-such-operation"}).status, 1);

  // Over the whole walk the journal holds stored values only: no cell of a
  // record's key or values is a resident number, plain or masked.
  const std::regex number(R"(\s*\d{6}-?[\d*]{7}\s*)");
  const Rows journal = Sql(root, "SELECT KEY1, KEY2, BEFOREVAL, AFTERVAL FROM TV_BASE..JUMINCHECK_JOURNAL");
  EXPECT_GT(journal.size(), customerRecords + 1);
  for (const auto& row : journal)
    for (const auto& cell : row) EXPECT_FALSE(std::regex_match(cell, number)) << cell;
}

}  // namespace
}  // namespace jc::test
