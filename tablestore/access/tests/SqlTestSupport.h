// Helpers of the SQL tests: run a step and report the explanation of the
// 11949 error it raised, and a fake source table.
#pragma once

#include "EngineCodes.h"
#include "EngineError.h"
#include "FileSession.h"
#include "SqlParser.h"
#include "SqlSource.h"

#include <functional>
#include <string>
#include <vector>

namespace tabula::sqltest {

// The SQL explanation of the 11949 error that step raises; "<no error>" when
// it raises nothing, "<code N>" for another engine error.
inline std::string SqlFailure(const std::function<void()>& step) {
    StartEngine();
    try {
        step();
    } catch (const ETabulaEngineError& e) {
        if (e.Code() != kErrSql)
            return "<code " + std::to_string(e.Code()) + ">";
        return Session().ErrorContext().SqlText;
    }
    return "<no error>";
}

inline std::string ParseFailure(const std::string& text) {
    return SqlFailure([&] { TSqlParser().Parse(text); });
}

class TFakeTable : public ISqlSourceTable {
public:
    explicit TFakeTable(std::vector<TSqlSourceField> fields) : fields_(std::move(fields)) {}
    int FieldCount() const override { return static_cast<int>(fields_.size()); }
    const TSqlSourceField& Field(int number) const override {
        return fields_.at(static_cast<std::size_t>(number - 1));
    }

private:
    std::vector<TSqlSourceField> fields_;
};

} // namespace tabula::sqltest
