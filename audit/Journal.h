#pragma once
// The change journal: before the repair or the restore overwrites a stored
// value, the record's key, the value it held and the value written go into
// the journal table TV_BASE..JUMINCHECK_JOURNAL, in one transaction with the
// UPDATE, so that there is never a change without its journal row nor a
// journal row for a change that did not happen. The journal holds stored
// (encrypted) values only, never a plain number. An operation can be undone
// from it (Undo.h).
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "db/Session.h"
#include "ui/Controls.h"

namespace jc::audit {

inline constexpr std::string_view kJournalTable = "TV_BASE..JUMINCHECK_JOURNAL";

// Who changes, and the clock of the operation's time.
struct JournalContext {
  std::string machine;
  std::string user;
  std::function<ui::DateTime()> now;
};
// The computer, the signed-in user and the local wall-clock time.
JournalContext SystemJournalContext();

// One journaled operation, begun once before its first change.
struct JournalOperation {
  std::string id;    // unique: its start time and a random part
  std::string name;  // "repair", "restore", "undo"
  std::string time;  // "YYYY-MM-DD hh:mm:ss", local
  std::string machine;
  std::string user;
};

// A journal that cannot be written: the operation stops before its change.
class JournalError : public std::runtime_error {
 public:
  explicit JournalError(const std::string& providerText);
};

// Makes the journal table when there is none yet (JournalError when it
// cannot), and gives the operation its id and time.
JournalOperation BeginJournalOperation(db::Session& db, const JournalContext& context, const std::string& name);

// One UPDATE of one column, with what the journal needs to copy the records
// it will change first.
struct JournaledUpdate {
  std::string table;     // qualified; the UPDATE's table
  std::string key1;      // key column(s) of a record of that table
  std::string key2;      // empty when one column is the key
  std::string column;    // the column written
  std::string where;     // " WHERE ...": finds the records, for the copy and the UPDATE alike
  std::string update;    // the UPDATE up to its WHERE ("UPDATE t SET c = v")
  std::optional<std::string> value;  // the value written (NULL for none)
};

// In one transaction: the journal rows of the records `where` finds, then the
// UPDATE. Returns the rows the UPDATE changed (-1 when the engine does not
// tell). A journal row that cannot be written rolls back and throws
// JournalError; an UPDATE that fails rolls back and returns nothing, with the
// provider's text in db.Ado_Exec.LastError(). A lost connection passes on
// (the server ends the open transaction).
std::optional<long long> RunJournaled(db::Session& db, const JournalOperation& op, const JournaledUpdate& change);

}  // namespace jc::audit
