// Raising SQL failures as engine error 11949.
#include "SqlError.h"

#include "EngineCodes.h"
#include "EngineError.h"

namespace tabula {

void RaiseSqlError(const std::string& explanation) {
    RaiseEngineError(kErrSql, {}, {}, explanation);
}

} // namespace tabula
