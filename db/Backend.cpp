#include "db/Backend.h"

namespace jc::db {

ConnectionLost::ConnectionLost(const std::string& providerText)
    : DbError("데이터베이스 연결이 끊어져 작업을 중단했습니다.\n" + providerText), provider_(providerText) {}

}  // namespace jc::db
