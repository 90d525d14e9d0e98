// The three file names of a table, derived from one table path.
#include "TableFileNames.h"

namespace tabula {

namespace {
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
} // namespace

std::string TTableFileNames::Stem(std::string_view tablePath) {
    std::size_t first = 0;
    std::size_t last = tablePath.size();
    while (first < last && IsBlank(tablePath[first]))
        ++first;
    while (last > first && IsBlank(tablePath[last - 1]))
        --last;
    std::string_view path = tablePath.substr(first, last - first);
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash))
        path = path.substr(0, dot);
    return std::string(path);
}

std::string TTableFileNames::WithExtension(std::string_view tablePath, std::string_view extension) {
    return Stem(tablePath) + std::string(extension);
}

TTableFileNames TTableFileNames::FromTablePath(std::string_view tablePath) {
    const std::string stem = Stem(tablePath);
    return {stem + std::string(kDataExtension), stem + std::string(kIndexExtension),
            stem + std::string(kBlobExtension)};
}

} // namespace tabula
