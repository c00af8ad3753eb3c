// The mapping verification against a scripted database: its statements and
// pages, which entries it lists, and when it enables the encryption run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "migration/FakeCodec.h"
#include "migration/MappingVerification.h"
#include "support/FakeShell.h"
#include "support/ScriptedBackend.h"

namespace jc::migration {
namespace {

using test::FakeCodec;
using test::MakeResult;

const std::string kCount = "SELECT COUNT(*) CNT FROM TV_BASE..TEMP_MAPPING_BAK ";
const std::string kPage =
    "SELECT TOP 10000 PANUM, ENCRYPT FROM TV_BASE..TEMP_MAPPING_BAK WHERE CHECKFLG IS NULL";
const std::string kReset = "UPDATE TV_BASE..TEMP_MAPPING_BAK    SET CHECKFLG = NULL ";
const std::string kClearLeftovers =
    "UPDATE TV_BASE..TEMP_MAPPING_BAK    SET CHECKFLG = NULL  WHERE CHECKFLG IS NOT NULL";
std::string Mark(const std::string& quoted) {
  return "UPDATE TV_BASE..TEMP_MAPPING_BAK    SET CHECKFLG = '1'  WHERE PANUM = " + quoted;
}

using Entries = std::vector<std::vector<db::Cell>>;

// A scripted mapping table: the count, and the entries the pages return
// (every entry on the first page; later pages return the entries whose
// marking failed).
struct VerifyRig {
  test::ScriptedSession session;
  FakeCodec codec;
  test::FakeShell shell;
  ui::FormModel form;
  test::ScriptedBackend& backend = *session.backend;
  int count = 0;
  Entries entries;
  std::vector<std::string> failMarks;  // markings that fail (the entry stays unmarked)
  int pageQueries = 0;

  VerifyRig() {
    // Leftovers of an earlier listing, and an earlier clean verification.
    form.Grid_Main.SetRowCount(5);
    form.Grid_Main.SetCell(2, 3, "old");
    form.Btn_Encrypt.enabled = true;
    backend.onQuery = [this](const std::string& sql) {
      if (sql == kCount) return MakeResult({"CNT"}, {{std::to_string(count)}});
      ++pageQueries;
      Entries page = entries;
      entries.clear();
      for (const auto& e : page)
        for (const std::string& m : failMarks)
          if (m == Mark("'" + e[0].value_or("") + "'")) entries.push_back(e);
      return MakeResult({"PANUM", "ENCRYPT"}, page);
    };
    backend.onExecute = [this](const std::string& sql) {
      for (const std::string& m : failMarks)
        if (sql == m) throw db::DbError("marking failed");
    };
  }
  void Run() { VerifyMapping(form, session.db, codec, shell); }
  std::vector<std::vector<std::string>> Listed() const {
    std::vector<std::vector<std::string>> rows;
    for (int r = 1; r < form.Grid_Main.RowCount(); ++r)
      rows.push_back({form.Grid_Main.Cell(2, r), form.Grid_Main.Cell(3, r)});
    return rows;
  }
};

TEST(MappingEntry, PassesOnlyWhenItsValueDecryptsToItsOwnNumber) {
  struct Case {
    const char* panum;
    const char* stored;
    const char* decryption;
    bool passes;
  };
  const std::string value = FakeCodec::Value("8001011234567");
  for (const Case& c : {
           Case{"8001011234567", value.c_str(), "8001011234567", true},
           Case{"8001011234567", value.c_str(), " 8001011234567\t", true},  // trimmed
           Case{"8001011234567 ", value.c_str(), "8001011234567", true},
           Case{"", "EMPTY01", "", true},                    // the empty-number entry
           Case{"8001011234567", value.c_str(), "9001011234567", false},  // another number
           Case{"8001011234567", value.c_str(), "8001011******", false},  // its masked form
           Case{"8001011234567", "", "", false},             // empty value
           Case{"8001011234567", "01", "", false},           // the key version alone
           Case{"8001011234567", "garbage01", "", false},    // does not decrypt
           Case{"", "01", "", false},                        // empty entry without a body
           Case{"", "", "", false},
           Case{"12345678901234", "x01", "12345678901234", true},  // same text, even if long
           // A number already masked, in part or whole, is no plain number.
           Case{"8801011*****", "x01", "8801011*****", false},
           Case{"8801011******", "x01", "8801011******", false},
       })
    EXPECT_EQ(MappingEntryPasses(c.panum, c.stored, c.decryption), c.passes)
        << "'" << c.panum << "' / '" << c.stored << "' / '" << c.decryption << "'";
}

TEST(MappingVerificationStatements, ListsEveryEntryThatDoesNotGiveItsNumberBackAndKeepsTheRunDisabled) {
  VerifyRig rig;
  const std::string good = FakeCodec::Value("8001011234567");
  const std::string other = FakeCodec::Value("9001011234567");
  rig.count = 6;
  rig.entries = {{"8001011234567", good},
                 {"7001011234567", other},  // the encryption of another number
                 {"O'N", FakeCodec::Value("O'N")},
                 {"6001011234567", "01"},      // a failed encryption
                 {"5001011234567", std::nullopt},  // never encrypted
                 {"", FakeCodec::Value("")}};

  rig.Run();

  EXPECT_EQ(rig.backend.Statements(),
            (std::vector<std::string>{kClearLeftovers, kCount, kPage, Mark("'8001011234567'"), Mark("'7001011234567'"),
                                      Mark("'O''N'"), Mark("'6001011234567'"), Mark("'5001011234567'"),
                                      Mark("''"), kReset}));
  EXPECT_EQ(rig.Listed(), (std::vector<std::vector<std::string>>{{"7001011234567", other},
                                                                  {"6001011234567", "01"},
                                                                  {"5001011234567", ""}}));
  EXPECT_EQ(rig.form.Grid_Main.RowCount(), 4);  // the spare row is dropped
  EXPECT_EQ(rig.shell.messages, std::vector<std::string>{kMappingFailedText});
  EXPECT_EQ(rig.form.LB_Msg.caption, kMappingFailedText);
  EXPECT_FALSE(rig.form.Btn_Encrypt.enabled);
  EXPECT_EQ(rig.form.Gauge1.MaxValue(), 6);
  EXPECT_EQ(rig.form.Gauge1.Progress(), 6);
  EXPECT_EQ(rig.shell.sleeps, std::vector<int>{2000});
}

TEST(MappingVerificationStatements, CleanRunEnablesTheEncryptionRunAndKeepsTheSpareRow) {
  VerifyRig rig;
  rig.form.Btn_Encrypt.enabled = false;
  rig.count = 2;
  rig.entries = {{"8001011234567", FakeCodec::Value("8001011234567")}, {"", FakeCodec::Value("")}};

  rig.Run();

  EXPECT_TRUE(rig.form.Btn_Encrypt.enabled);
  EXPECT_EQ(rig.form.LB_Msg.caption, kMappingOkText);
  EXPECT_TRUE(rig.shell.messages.empty());
  EXPECT_EQ(rig.form.Grid_Main.RowCount(), 2);
  EXPECT_EQ(rig.form.Grid_Main.Cell(2, 1), "");
  EXPECT_EQ(rig.form.Grid_Main.CurrentRow(), 1);
  EXPECT_EQ(rig.backend.Statements().back(), kReset);
}

TEST(MappingVerificationStatements, PagesAreTheWholePartOfTheCountPlusOne) {
  struct Case {
    int count, pages;
  };
  for (const Case c : {Case{10000, 2}, Case{0, 1}, Case{9999, 1}, Case{25000, 3}}) {
    VerifyRig rig;
    rig.count = c.count;
    try {
      rig.Run();  // the scripted pages return nothing: incomplete unless the count is 0
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(rig.pageQueries, c.pages) << c.count;
    EXPECT_EQ(rig.shell.sleeps, std::vector<int>(static_cast<std::size_t>(c.pages), 2000)) << c.count;
  }
}

// A count whose entries were not all read, passed and marked in this run
// never enables the run, even with nothing listed: the run fails with an
// error instead. So does a mapping without the empty-number entry that every
// complete build adds last (empty, or cut short after its collection).
TEST(MappingVerificationStatements, EnablesTheRunOnlyWhenEveryCountedEntryWasChecked) {
  auto expectIncomplete = [](VerifyRig& rig, int total, int verified) {
    try {
      rig.Run();
      ADD_FAILURE() << "an incomplete run ended without an error";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), IncompleteVerificationText(total, verified));
    }
    EXPECT_FALSE(rig.form.Btn_Encrypt.enabled);
    EXPECT_TRUE(rig.shell.messages.empty());
    EXPECT_EQ(rig.form.LB_Msg.caption, "암호화 매핑 점검중입니다....");
    EXPECT_EQ(rig.backend.Statements().back(), kReset);  // the markers are cleared all the same
  };
  auto expectUnfinishedBuild = [](VerifyRig& rig) {
    try {
      rig.Run();
      ADD_FAILURE() << "a mapping without its empty-number entry passed";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), kMappingIncompleteText);
    }
    EXPECT_FALSE(rig.form.Btn_Encrypt.enabled);
    EXPECT_EQ(rig.backend.Statements().back(), kReset);
  };
  {
    VerifyRig rig;
    rig.count = 0;
    expectUnfinishedBuild(rig);
  }
  {
    VerifyRig rig;
    rig.count = 2;
    rig.entries = {{"8001011234567", FakeCodec::Value("8001011234567")},
                   {"7001011234567", FakeCodec::Value("7001011234567")}};
    expectUnfinishedBuild(rig);
  }
  {
    // The page query fails: an empty page, nothing checked.
    VerifyRig rig;
    rig.count = 3;
    rig.backend.onQuery = [](const std::string& sql) -> db::ResultSet {
      if (sql == kCount) return MakeResult({"CNT"}, {{"3"}});
      throw db::DbError("page query failed");
    };
    expectIncomplete(rig, 3, 0);
  }
  {
    // Counted entries the pages never return (markers that the opening
    // reset could not clear).
    VerifyRig rig;
    rig.count = 3;
    rig.entries = {{"8001011234567", FakeCodec::Value("8001011234567")}};
    expectIncomplete(rig, 3, 1);
  }
  {
    // A marking that fails on the last page leaves its entry unchecked.
    VerifyRig rig;
    rig.count = 2;
    rig.entries = {{"8001011234567", FakeCodec::Value("8001011234567")},
                   {"7001011234567", FakeCodec::Value("7001011234567")}};
    rig.failMarks = {Mark("'7001011234567'")};
    expectIncomplete(rig, 2, 1);
  }
  {
    // A NULL number reads as the empty text and marks the empty entry.
    VerifyRig rig;
    rig.count = 2;
    rig.entries = {{std::nullopt, FakeCodec::Value("")}, {"", FakeCodec::Value("")}};
    expectIncomplete(rig, 2, 1);
  }
}

TEST(MappingVerificationStatements, EntryWhoseHandlingRaisesIsListedUnmarkedAndReadAgainOnALaterPage) {
  VerifyRig rig;
  rig.count = 10000;  // two pages
  rig.codec.throwOn = {"RAISES01"};
  rig.entries = {{"8001011234567", "RAISES01"}, {"", FakeCodec::Value("")}};
  // The raising entry is not marked, so the next page returns it again.
  rig.backend.onQuery = [&rig, first = true](const std::string& sql) mutable {
    if (sql == kCount) return MakeResult({"CNT"}, {{"10000"}});
    ++rig.pageQueries;
    Entries page = first ? rig.entries : Entries{{"8001011234567", "RAISES01"}};
    first = false;
    return MakeResult({"PANUM", "ENCRYPT"}, page);
  };

  rig.Run();

  EXPECT_EQ(rig.Listed(), (std::vector<std::vector<std::string>>{{"8001011234567", "RAISES01"},
                                                                  {"8001011234567", "RAISES01"}}));
  EXPECT_EQ(rig.backend.Statements(),
            (std::vector<std::string>{kClearLeftovers, kCount, kPage, Mark("''"), kPage, kReset}));
  EXPECT_EQ(rig.form.Gauge1.Progress(), 1);  // short of its maximum
  EXPECT_FALSE(rig.form.Btn_Encrypt.enabled);
  EXPECT_EQ(rig.shell.messages, std::vector<std::string>{kMappingFailedText});
}

// A lost connection or a codec that stops working is no failing entry: the
// run ends with its error, does not reset the markers and enables nothing.
TEST(MappingVerificationStatements, LostConnectionAndUnusableCodecEndTheRunInsteadOfListing) {
  {
    VerifyRig rig;
    rig.count = 2;
    rig.entries = {{"8001011234567", FakeCodec::Value("8001011234567")}, {"", FakeCodec::Value("")}};
    rig.backend.onExecute = [](const std::string& sql) {
      if (sql.find("CHECKFLG = '1'") != std::string::npos)
        throw db::ConnectionLost("Communication link failure");
    };
    EXPECT_THROW(rig.Run(), db::ConnectionLost);
    EXPECT_EQ(rig.Listed(), (std::vector<std::vector<std::string>>{{"", ""}}));  // the spare row alone
    EXPECT_NE(rig.backend.Statements().back(), kReset);
    EXPECT_FALSE(rig.form.Btn_Encrypt.enabled);
  }
  {
    struct DyingCodec : FakeCodec {
      std::string DecryptJumin(const std::string&) override {
        throw crypto::CodecUnusable("키를 더 이상 읽을 수 없습니다.");
      }
    };
    VerifyRig rig;
    DyingCodec codec;
    rig.count = 1;
    rig.entries = {{"8001011234567", FakeCodec::Value("8001011234567")}};
    EXPECT_THROW(VerifyMapping(rig.form, rig.session.db, codec, rig.shell), crypto::CodecUnusable);
    EXPECT_FALSE(rig.form.Btn_Encrypt.enabled);
    EXPECT_EQ(rig.backend.Statements().back(), kPage);
  }
}

TEST(MappingVerificationStatements, UnusableCodecRefusesBeforeAnyStatement) {
  VerifyRig rig;
  rig.codec.unusable = "암호화 모듈이 로드되지 않았습니다.";
  EXPECT_THROW(rig.Run(), crypto::CodecUnusable);
  EXPECT_TRUE(rig.backend.calls.empty());
  EXPECT_EQ(rig.form.Grid_Main.Cell(2, 3), "old");
}

TEST(MappingVerificationStatements, FailedCountEndsTheRunWithTheFieldErrorAndTouchesNothing) {
  VerifyRig rig;
  rig.backend.onQuery = [](const std::string&) -> db::ResultSet {
    throw db::DbError("Invalid object name 'TV_BASE..TEMP_MAPPING_BAK'.");
  };
  try {
    rig.Run();
    FAIL() << "the run went on without a count";
  } catch (const db::DbError& e) {
    EXPECT_STREQ(e.what(), "Ado_Qry: Field 'CNT' not found");
  }
  EXPECT_EQ(rig.form.Grid_Main.Cell(2, 3), "old");
  EXPECT_EQ(rig.form.LB_Msg.caption, "암호화 매핑 점검중입니다....");
  EXPECT_FALSE(rig.form.Btn_Encrypt.enabled);
  EXPECT_EQ(rig.backend.Statements(), (std::vector<std::string>{kClearLeftovers, kCount}));
}

// A closing reset that failed leaves markers behind; the next run clears
// them first and checks every entry again.
TEST(MappingVerificationStatements, MarkersLeftByAnEarlierRunAreClearedFirst) {
  VerifyRig rig;
  rig.count = 1;
  rig.entries = {{"", FakeCodec::Value("")}};
  bool cleared = false;
  rig.backend.onQuery = [&](const std::string& sql) {
    if (sql == kCount) return MakeResult({"CNT"}, {{"1"}});
    // The stale marker hides the entry until the opening reset ran.
    return MakeResult({"PANUM", "ENCRYPT"}, cleared ? rig.entries : Entries{});
  };
  rig.backend.onExecute = [&](const std::string& sql) {
    if (sql == kClearLeftovers) cleared = true;
  };
  rig.Run();
  EXPECT_TRUE(rig.form.Btn_Encrypt.enabled);
  EXPECT_EQ(rig.backend.Statements().front(), kClearLeftovers);
}

}  // namespace
}  // namespace jc::migration
