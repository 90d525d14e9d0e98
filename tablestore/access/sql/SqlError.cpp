// Raising SQL failures as engine error kErrSql.
#include "SqlError.h"

#include "EngineCodes.h"
#include "EngineError.h"

namespace tabula {

void RaiseSqlError(const std::string& explanation) {
    RaiseEngineError(kErrSql, {}, {}, explanation);
}

} // namespace tabula
