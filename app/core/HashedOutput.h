// The hashed output file and its temporary copy.
//
// TempNewFile is the registration file rewritten line by line (lines as
// TTextLineReader reads them) with CR LF after every line. The output file is
// the 40-character upper-case hexadecimal SHA-1 digest of TempNewFile, CR LF,
// then the bytes of TempNewFile. The output is never left half-written: it is
// built in a temporary file in the destination folder and renamed into place
// only when complete.
#pragma once

#include "SHA1.h" // TSha1Digest

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

namespace morvane {

// Digest of a whole file, added in pieces of 8192 bytes. Returns false when the
// file cannot be opened (the caller shows "Unable to open source file.");
// throws EInOutError when a read fails.
bool HashFile(const std::string& path, TSha1Digest& digest);

// The 20 digest bytes as 40 upper-case hexadecimal characters.
std::string DigestText(const TSha1Digest& digest);

// Rewrites `inputPath` line by line into `tempPath` with CR LF line ends.
// Throws EInOutError on any failure, leaving the previous `tempPath` as it was.
// Memory use does not depend on the file or its line lengths.
void WriteTempCopy(const std::string& inputPath, const std::string& tempPath);

// Writes digestText + CR LF + the lines of `tempPath` to `outputPath`,
// atomically. Throws EInOutError on failure, leaving no output file behind.
void WriteOutputFile(const std::string& digestText, const std::string& tempPath,
                     const std::string& outputPath);

} // namespace morvane
