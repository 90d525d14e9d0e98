// The one table of type names (see FieldTypeNames.h).
#include "FieldTypeNames.h"

#include <array>
#include <cctype>
#include <utility>

namespace tabula::shell {
namespace {

constexpr std::array<std::pair<const char*, TFieldType>, 19> kNames{{
    {"STRING", TFieldType::ftString},
    {"DATE", TFieldType::ftDate},
    {"TIME", TFieldType::ftTime},
    {"TIMESTAMP", TFieldType::ftDateTime},
    {"BOOLEAN", TFieldType::ftBoolean},
    {"SMALLINT", TFieldType::ftSmallint},
    {"INTEGER", TFieldType::ftInteger},
    {"WORD", TFieldType::ftWord},
    {"AUTOINC", TFieldType::ftAutoInc},
    {"FLOAT", TFieldType::ftFloat},
    {"MONEY", TFieldType::ftCurrency},
    {"BCD", TFieldType::ftBCD},
    {"BYTES", TFieldType::ftBytes},
    {"VARBYTES", TFieldType::ftVarBytes},
    {"MEMO", TFieldType::ftMemo},
    {"BLOB", TFieldType::ftBlob},
    {"FMTMEMO", TFieldType::ftFmtMemo},
    {"GRAPHIC", TFieldType::ftGraphic},
    {"TYPEDBINARY", TFieldType::ftTypedBinary},
}};

std::string Upper(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

std::string FieldTypeName(TFieldType type) {
    for (const auto& [name, t] : kNames)
        if (t == type)
            return name;
    return "?";
}

std::optional<TFieldType> FieldTypeOfName(const std::string& name) {
    const std::string upper = Upper(name);
    for (const auto& [n, t] : kNames)
        if (upper == n)
            return t;
    return std::nullopt;
}

bool TypeTakesSize(TFieldType type) {
    return type == TFieldType::ftString || type == TFieldType::ftBytes ||
           type == TFieldType::ftVarBytes || type == TFieldType::ftBCD;
}

} // namespace tabula::shell
