#pragma once
// Table encryption run: applies the verified mapping TV_BASE..TEMP_MAPPING_BAK
// to the 23 tables of the run list. In every row whose plain number has a
// mapping entry, is not yet masked and has no stored value, the entry's value
// goes into the companion column and the number is masked. One set-based
// UPDATE per number column; nothing is encrypted here.
#include <string>
#include <string_view>
#include <vector>

#include "common/Shell.h"
#include "db/Session.h"
#include "ui/FormModel.h"

namespace jc::migration {

// Pause after every completed table, in milliseconds.
inline constexpr int kTablePauseMs = 2000;

struct RunEntry {
  std::string_view table;    // qualified name
  std::string_view message;  // status text while the table is processed
};
// The run list, in order.
const std::vector<RunEntry>& RunList();

// The entry's name in the closing texts: its message up to the space before
// the first "암호" ("CD_PERSON", "H0241", "TEMP_ADD_MAIN", ...).
std::string ShortName(std::string_view message);

// A number column and its companion column. dashed: the number may be
// stored with '-' separators, which are removed before it is compared.
struct NumberColumn {
  std::string_view plain;
  std::string_view value;
  bool dashed = false;
};
// The number columns of a run-list table, in the order the run handles them.
std::vector<NumberColumn> NumberColumns(std::string_view table);

// The statements the run sends for one table, in order (for tests and the
// status report: they are built here, once).
std::vector<std::string> TableStatements(const std::string& table);

// Runs the statement(s) of one qualified table name; true when every one of
// them ran. The name is matched, trimmed, against the six tables with
// statements of their own; any other name goes into the generic statement
// unchanged. Where there are two statements both run; when either fails the
// table has failed (a table whose first number column failed is not done,
// whatever the second did). error, when given, receives the first failing
// statement's error text.
// rowsMasked, when given, receives the rows its statements changed.
bool EncryptTable(db::Session& db, const std::string& table, std::string* error = nullptr,
                  long long* rowsMasked = nullptr);

// Rows one run masked, per table completed, in list order.
struct TableMasked {
  std::string table;
  long long rows = 0;
};

// The error texts of a refused run (nothing changed).
inline constexpr const char* kRunNotVerifiedText =
    "암호화 매핑 검증에 성공한 뒤에만 암호화를 진행할 수 있습니다. 아무것도 바꾸지 않았습니다";
std::string UnusableMappingText(int entries);

// The question asked before the run, which cannot be undone: the tables it
// changes and the number of plain numbers the mapping holds.
std::string EncryptionRunQuestion(db::Session& db);

// Handler of "암호화진행". Runs only while Btn_Encrypt is enabled (a
// verification in which every entry passed enabled it), and only when no
// mapping entry lacks a stored value (NULL, empty or the key version alone):
// such an entry would mask its numbers while storing nothing that gives
// them back. Otherwise it throws before any table is touched. Then every
// table in list order, stopping at the first that fails: its short name and
// " 암호화 실패.." in the status line, the gauge at the number of tables
// completed, and the statement's error in the error box (thrown).
// masked, when given, receives a line per table completed.
void Btn_EncryptClick(ui::FormModel& form, db::Session& db, Shell& shell,
                      std::vector<TableMasked>* masked = nullptr);

}  // namespace jc::migration
