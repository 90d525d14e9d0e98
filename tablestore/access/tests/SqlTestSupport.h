// Helpers of the SQL tests: run a step and report the explanation of the
// kErrSql error it raised, and a fake source table.
#pragma once

#include "EngineCodes.h"
#include "EngineError.h"
#include "FileSession.h"
#include "SqlParser.h"
#include "SqlSource.h"
#include "SqlValue.h"

#include <functional>
#include <string>
#include <vector>

namespace tabula::sqltest {

// The SQL explanation of the kErrSql error that step raises; "<no error>" when
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

// A table with a column of every value type: two strings (City of 20
// characters, Code of 3), BCD with 2 decimals and a money float.
inline const TFakeTable& AllTypesTable() {
    using namespace datafmt;
    static const TFakeTable table({{"City", kFtString, 0, 21, 0},
                                   {"Qty", kFtInt16, 0, 2, 0},
                                   {"Id", kFtInt32, 0, 4, 0},
                                   {"Price", kFtBcd, 0, 8, 2},
                                   {"Rate", kFtFloat, kMoneySubtype, 8, 0},
                                   {"Day", kFtDate, 0, 4, 0},
                                   {"At", kFtTime, 0, 4, 0},
                                   {"Stamp", kFtTimestamp, 0, 8, 0},
                                   {"Flag", kFtBoolean, 0, 2, 0},
                                   {"Word", kFtUInt16, 0, 2, 0},
                                   {"Code", kFtString, 0, 4, 0}});
    return table;
}

} // namespace tabula::sqltest
