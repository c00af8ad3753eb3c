// The undo against a store: a journal row the tool did not write (a table or
// column it never changes, a missing key) is refused before anything changes,
// and a record whose value was NULL before gets NULL back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audit/Journal.h"
#include "audit/Undo.h"
#include "support/CodecStore.h"

namespace jc::audit {
namespace {

const JournalContext kContext{"PC-1", "약사", [] { return ui::DateTime{2024, 3, 5, 14, 7, 9}; }};

void Journal(test::CodecStore& s, const std::string& table, const std::string& key1, const std::string& key2,
             const std::string& column, const std::optional<std::string>& before, const std::string& after) {
  s.store.Insert(std::string(kJournalTable), {{"OPID", "OP1"},
                                               {"OPNAME", "repair"},
                                               {"OPTIME", "2024-03-05 14:07:09"},
                                               {"TABLENAME", table},
                                               {"KEY1", key1},
                                               {"KEY2", key2},
                                               {"COLNAME", column},
                                               {"BEFOREVAL", before},
                                               {"AFTERVAL", after}});
}

TEST(UndoStore, RowsTheToolDidNotWriteAreRefusedBeforeAnyChange) {
  struct Case {
    const char* what;
    std::string table, key1, key2, column;
  } cases[] = {
      {"another table", "TV_BASE..HIRAEncryption", "K", "", "Encrypt"},
      {"another column", "TV_BASE..CD_PERSON", "C1", "1", "PANUM"},
      {"no record number", "TV_PRES..PS_MAIN", "", "", "TEMPNUM"},
      {"no sequence", "TV_BASE..CD_PERSON", "C1", " ", "TEMPNUM"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::CodecStore s;
    s.AddPerson("C1", "1", "20100101", "8001011******", "김일", "written01");
    s.AddPerson("C1", "2", "20100101", "8001011******", "김일", std::string("written01"));
    BeginJournalOperation(s.Db(), kContext, "repair");  // makes the journal table
    Journal(s, "TV_BASE..CD_PERSON", "C1", "2", "TEMPNUM", "old01", "written01");
    Journal(s, c.table, c.key1, c.key2, c.column, "old01", "written01");
    EXPECT_THROW(UndoJournaledOperation(s.Db(), s.Shell(), "OP1", kContext), db::DbError);
    EXPECT_TRUE(s.Shell().questions.empty());
    EXPECT_EQ(s.store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE TEMPNUM = 'written01'"), 2);
  }
}

TEST(UndoStore, ANullBeforeValueIsPutBackAsNullAndANoChangesNothing) {
  test::CodecStore s;
  s.AddPerson("C1", "1", "20100101", "8001011******", "김일", "written01");
  BeginJournalOperation(s.Db(), kContext, "repair");
  Journal(s, "TV_BASE..CD_PERSON", "C1", "1", "TEMPNUM", std::nullopt, "written01");

  s.Shell().answer = false;
  EXPECT_FALSE(UndoJournaledOperation(s.Db(), s.Shell(), "OP1", kContext).has_value());
  EXPECT_EQ(s.store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE TEMPNUM = 'written01'"), 1);

  s.Shell().answer = true;
  const auto result = UndoJournaledOperation(s.Db(), s.Shell(), "OP1", kContext);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->undone, 1);
  EXPECT_EQ(s.store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE TEMPNUM IS NULL"), 1);
  // The undo's own journal row can undo it in turn.
  std::string undoId;
  for (const auto& op : ListJournal(s.Db(), 5))
    if (op.name == "undo") undoId = op.id;
  ASSERT_FALSE(undoId.empty());
  const auto records = ReadJournaledOperation(s.Db(), undoId);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].before, std::optional<std::string>("written01"));
  EXPECT_EQ(records[0].after, std::nullopt);
  EXPECT_TRUE(records[0].stillWritten);
}

}  // namespace
}  // namespace jc::audit
