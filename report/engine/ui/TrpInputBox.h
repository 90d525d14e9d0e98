// The seam through which report expressions ask the user: "INPUT" shows an
// input box (a caption, a prompt and a default text) and "MESSAGEBOX" a
// message box whose buttons and icon come from platform flag bits and
// which answers the code of the button pressed (1 OK, 2 Cancel, 6 Yes,
// 7 No). The program installs a sink with real windows; tests and the
// command-line renderer install one that answers by script. With no sink
// installed an input box answers its default text and a message box OK.
#pragma once

#include <cstdint>
#include <string>

namespace report {

inline constexpr int kDialogResultOk = 1;

class TrpInputBoxSink {
public:
    virtual ~TrpInputBoxSink() = default;
    virtual std::string InputBox(const std::string& caption, const std::string& prompt,
                                 const std::string& defaultText) = 0;
    virtual int MessageBox(const std::string& text, const std::string& caption,
                           std::int64_t flags) = 0;
};

// Installs sink (null: none) and returns the previous one.
TrpInputBoxSink* SetInputBoxSink(TrpInputBoxSink* sink);
std::string ShowInputBox(const std::string& caption, const std::string& prompt,
                         const std::string& defaultText);
int ShowFlaggedMessageBox(const std::string& text, const std::string& caption, std::int64_t flags);

} // namespace report
