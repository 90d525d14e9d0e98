// TStreamMessageBoxSink: the report engine's message boxes written to a
// stream ("caption: text", one box a line) instead of shown, for a program
// without a window. Installed for its lifetime; the previous sink comes back
// when it goes. It remembers the error boxes, since for the engine a box is
// how a failure such as a damaged template reaches the user.
#pragma once

#include "TrpMessageBox.h"

#include <ostream>
#include <string>
#include <vector>

namespace morvane {

class TStreamMessageBoxSink : public report::TrpMessageBoxSink {
public:
    explicit TStreamMessageBoxSink(std::ostream& stream)
        : stream_(stream), previous_(report::SetMessageBoxSink(this)) {}
    ~TStreamMessageBoxSink() override { report::SetMessageBoxSink(previous_); }
    TStreamMessageBoxSink(const TStreamMessageBoxSink&) = delete;
    TStreamMessageBoxSink& operator=(const TStreamMessageBoxSink&) = delete;

    void ShowMessageBox(const std::string& text, const std::string& caption,
                        report::TrpMessageIcon icon) override {
        stream_ << (caption.empty() ? std::string() : caption + ": ") << text << '\n';
        stream_.flush();
        if (icon == report::TrpMessageIcon::Error)
            errors_.push_back(text);
    }

    // The texts of the error boxes shown so far.
    const std::vector<std::string>& Errors() const { return errors_; }

private:
    std::ostream& stream_;
    report::TrpMessageBoxSink* previous_;
    std::vector<std::string> errors_;
};

} // namespace morvane
