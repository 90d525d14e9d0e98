// Result columns of a SELECT: types, sizes and answer-table descriptors.
#include "ResultField.h"

#include "DataFileFormat.h"
#include "SourceDataFile.h"
#include "SqlError.h"
#include "SqlTypeCheck.h"

namespace tabula {

namespace {

TSqlType AggregateType(int aggregate, const TSqlType& argument) {
    switch (aggregate) {
    case sqlop::kCount:
        return TSqlType{datafmt::kFtInt32, 0, SqlFixedSize(datafmt::kFtInt32), 0};
    case sqlop::kAvg:
        return TSqlType{datafmt::kFtFloat, 0, SqlFixedSize(datafmt::kFtFloat), 0};
    case sqlop::kSum:
        if (SqlIsInteger(argument.code))
            return TSqlType{datafmt::kFtFloat, 0, SqlFixedSize(datafmt::kFtFloat), 0};
        return argument;
    default:
        return argument;
    }
}

void CheckSize(const TResultDataField& f, const std::string& text) {
    const int limit =
        f.type.code == datafmt::kFtString ? kMaxResultStringBytes : kMaxResultValueBytes;
    if (f.type.size > limit)
        RaiseSqlError("Column expression '" + text + "'" +
                      " exceeds the maximum allowable field size");
}

TFieldDescriptor DescriptorOf(const TResultDataField& f, int number,
                              const std::vector<TSourceDataFile*>& sources) {
    if (f.plain && !f.aggregate) {
        TFieldDescriptor d = sources.at(static_cast<std::size_t>(f.tableIndex))
                                 ->File()
                                 .GetFieldDescriptor(f.fieldNumber);
        // An auto-increment source becomes a plain integer: the answer
        // table numbers nothing itself.
        std::uint8_t subtype = d.IsAutoIncrement() ? 0 : d.subtype;
        return TFieldDescriptor::Make(number, f.name, d.type, d.declaredSize, d.declaredDecimals,
                                      subtype);
    }
    // An expression without a type of its own (the NULL constant, an empty
    // text, an aggregate of them) holds nothing but NULL: a one-character
    // text column keeps it, where a field of no type would refuse the table.
    if (f.type.code == datafmt::kFtNone)
        return TFieldDescriptor::Make(number, f.name, datafmt::kFtString, 1);
    const int size = f.type.code == datafmt::kFtString ? std::max(1, f.type.size - 1) : 0;
    return TFieldDescriptor::Make(number, f.name, f.type.code, size, f.type.decimals,
                                  f.type.subtype);
}

} // namespace

std::vector<TResultDataField> BuildResultFields(TSqlStatement& statement,
                                                std::vector<TSourceDataFile*> sources,
                                                const TSqlResolver& resolver) {
    std::vector<TResultDataField> fields;
    int number = 1;
    for (TSqlResultColumn& column : statement.columns) {
        TResultDataField f;
        f.expr = column.expr;
        f.name = column.name;
        TSqlNode& top = *column.expr;
        if (top.IsAggregate()) {
            f.aggregate = top.op;
            f.argument = top.left;
            if (f.argument && f.argument->IsAllColumns())
                f.argument.reset();
            TSqlType argType;
            if (f.argument) {
                SqlTypeCheck(*f.argument, "source columns", resolver);
                argType = f.argument->type;
                if (f.aggregate != sqlop::kCount && !SqlIsNumeric(argType.code) &&
                    !SqlIsTemporal(argType.code))
                    SqlTypeCheck(top, "source columns", resolver); // raises its message
            }
            f.type = AggregateType(f.aggregate, argType);
        } else {
            SqlTypeCheck(top, "source columns", resolver);
            f.type = top.type;
            if (top.IsColumn() && top.tableIndex >= 0) {
                f.plain = true;
                f.tableIndex = top.tableIndex;
                f.fieldNumber = top.fieldNumber;
            }
        }
        CheckSize(f, column.sourceText);
        f.descriptor = DescriptorOf(f, number++, sources);
        fields.push_back(std::move(f));
    }
    return fields;
}

} // namespace tabula
