// The three file names of a table, derived from one table path.
#include "TableFileNames.h"

#include "TextBlanks.h"

namespace tabula {

std::string TTableFileNames::Stem(std::string_view tablePath) {
    std::string_view path = Trimmed(tablePath);
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
