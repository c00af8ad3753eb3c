// The build without the embedded store (the Windows program: SQLite is not
// at hand for it): every request for one is refused in plain words.
#include "db/EmbeddedStore.h"

namespace jc::db {

bool EmbeddedStoreBuiltIn() { return false; }

std::unique_ptr<Backend> OpenEmbeddedStore(const std::string&) { throw DbError(kNoEmbeddedStore); }

}  // namespace jc::db
