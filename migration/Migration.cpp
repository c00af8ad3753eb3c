// The migration to encrypted storage (mapping build, verification, table
// encryption run) is not built yet; its handlers are wired and do nothing.
namespace jc::migration {}
