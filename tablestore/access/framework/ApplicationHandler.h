// The application's exception handler, as the table store reaches it.
//
// Exceptions that a dataset operation cannot pass to a caller (one raised
// by an OnFilterRecord handler while the engine filters records, one raised
// while a BLOB stream is closed) are handed to this handler, which the
// application sets to show the message; the default writes it to standard
// error. The handler itself must not raise.
#pragma once

#include <exception>
#include <functional>

namespace tabula {

using TExceptionHandler = std::function<void(const std::exception&)>;

// Replaces the handler; an empty function restores the default. Answers the
// previous handler.
TExceptionHandler SetApplicationExceptionHandler(TExceptionHandler handler);
void HandleApplicationException(const std::exception& error);

} // namespace tabula
