#pragma once
// Reading the change journal and undoing a journaled operation: each record
// gets back the value it held before, only while it still holds the value the
// operation wrote, each in one transaction with its own journal rows (so an
// undo can be undone too).
#include <optional>
#include <string>
#include <vector>

#include "audit/Journal.h"
#include "common/Shell.h"
#include "db/Session.h"

namespace jc::audit {

struct JournaledOperationSummary {
  std::string id, time, machine, user, name;
  int records = 0;
};

// The last `last` operations of the journal, newest first. An empty list
// when there is no journal yet.
std::vector<JournaledOperationSummary> ListJournal(db::Session& db, int last);

struct JournaledRecord {
  std::string table, key1, key2, column;
  std::optional<std::string> before, after;  // stored values; nullopt for NULL
  bool stillWritten = false;  // the record holds the value the operation wrote
};

// One operation's records, each with whether it still holds the value
// written. Throws DbError when the journal has no operation of that id.
std::vector<JournaledRecord> ReadJournaledOperation(db::Session& db, const std::string& id);

struct UndoResult {
  int undone = 0;        // records given back their value before
  int changedSince = 0;  // skipped: the record no longer held the value written
  int failed = 0;        // the UPDATE failed; the record is unchanged
};

// The question asked before an undo.
std::string UndoQuestion(const std::string& id, int records);
// The information box at the end of an undo.
std::string UndoSummaryText(const UndoResult& result);

// Undoes the operation `id` after a Yes to UndoQuestion (a No changes
// nothing and returns nullopt). A journal that cannot be written ends it
// with JournalError; a journal row naming a table or column the tool never
// changes ends it with DbError before anything changed.
std::optional<UndoResult> UndoJournaledOperation(db::Session& db, Shell& shell, const std::string& id,
                                                 const JournalContext& context);

}  // namespace jc::audit
