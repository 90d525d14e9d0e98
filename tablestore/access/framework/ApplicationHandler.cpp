// The process-wide application exception handler.
#include "ApplicationHandler.h"

#include <cstdio>
#include <mutex>

namespace tabula {

namespace {
std::mutex gHandlerLock;
TExceptionHandler gHandler;
} // namespace

TExceptionHandler SetApplicationExceptionHandler(TExceptionHandler handler) {
    std::lock_guard<std::mutex> guard(gHandlerLock);
    TExceptionHandler previous = std::move(gHandler);
    gHandler = std::move(handler);
    return previous;
}

void HandleApplicationException(const std::exception& error) {
    TExceptionHandler handler;
    {
        std::lock_guard<std::mutex> guard(gHandlerLock);
        handler = gHandler;
    }
    if (handler) {
        try {
            handler(error);
        } catch (...) {
            // A handler that raises has nowhere to report to.
        }
        return;
    }
    std::fprintf(stderr, "%s\n", error.what());
}

} // namespace tabula
