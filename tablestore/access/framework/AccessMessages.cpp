// Formatting and raising of the access layer's database errors.
#include "AccessMessages.h"

namespace tabula::msg {

std::string Format(const char* format, const std::string& arg1, const std::string& arg2,
                   const std::string& arg3, const std::string& arg4) {
    const std::string* args[] = {&arg1, &arg2, &arg3, &arg4};
    std::string out;
    std::size_t next = 0;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's' && next < 4) {
            out += *args[next++];
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

void Raise(const char* text) {
    throw EDatabaseError(text);
}

void Raise(const char* format, const std::string& arg1, const std::string& arg2) {
    throw EDatabaseError(Format(format, arg1, arg2));
}

} // namespace tabula::msg
