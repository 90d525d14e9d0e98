// TWin1252: conversion between the single-byte text that the application's
// core carries unchanged (file contents, INI values, messages) and the
// QString that widgets show. Bytes are decoded as Windows-1252; the five
// byte values that code page leaves unassigned map to the C1 controls of the
// same number, so every byte round-trips. Characters outside the code page
// encode as "?".
#pragma once

#include <QString>
#include <string>

namespace morvane {

class TWin1252 {
public:
    static QString Decode(const std::string& bytes);
    static std::string Encode(const QString& text);
};

} // namespace morvane
