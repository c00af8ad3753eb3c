#pragma once
// The embedded store as the connection sees it: a data source "sqlite:FOLDER"
// names one. Builds without it (the Windows program) refuse such a source.
#include <memory>
#include <string>
#include <string_view>

#include "db/Backend.h"

namespace jc::db {

// The prefix of a data source (and of the INI value) naming a store folder.
inline constexpr std::string_view kEmbeddedStorePrefix = "sqlite:";

// Whether this build has the embedded store.
bool EmbeddedStoreBuiltIn();

// What a build without the store says when one is asked of it.
inline constexpr const char* kNoEmbeddedStore =
    "This build of jumincheck has no embedded store (sqlite: in the INI file, demo, create-store): "
    "use the Linux build for those, or name a SQL Server host in the INI file.";

// Opens the store in folder. Throws DbError (in a build without the store,
// always, with kNoEmbeddedStore).
std::unique_ptr<Backend> OpenEmbeddedStore(const std::string& folder);

}  // namespace jc::db
