// TTextLineReader: reads a single-byte text file line by line, as every text
// file of the application is read.
//
// Line rules:
//   - a line ends at CR (13); an LF (10) directly after that CR belongs to the
//     same line end; a lone LF is an ordinary byte inside the line;
//   - a Ctrl-Z (26) ends the file: it and everything behind it are not read;
//   - a last line without a line end is still a line; a file that ends with a
//     line end has no empty line after it.
// Bytes are carried unchanged. Memory use is bounded by the buffer plus the
// longest line kept, whatever the file's size; a reader that needs only the
// start of each line (the record checks) caps what it keeps, so even a file
// without any CR (one single line) costs no more than the buffer.
//
// States: open (buffer empty) -> reading (pos_ < end_, or a refill pending)
// -> at end (eof_ and pos_ == end_: ReadLine returns false from then on).
// pendingLf_ carries a CR seen as the buffer's last byte over to the next
// refill, whose first byte is skipped when it is an LF.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace morvane {

class TTextLineReader {
public:
    static constexpr std::size_t kBufferSize = 1 << 16;

    // Opens the file; throws EInOutError when it cannot be opened.
    explicit TTextLineReader(const std::string& path);
    ~TTextLineReader();
    TTextLineReader(const TTextLineReader&) = delete;
    TTextLineReader& operator=(const TTextLineReader&) = delete;

    // Reads the next line into `line` (without its line end). Returns false at
    // the end of the file. Throws EInOutError("Disk read error") when the
    // operating system fails a read.
    bool ReadLine(std::string& line);

    // The same, but keeps at most `maxKeep` bytes of the line in `line`;
    // `length` receives the line's full length. The rest of a longer line is
    // skipped without being stored.
    bool ReadLine(std::string& line, std::size_t maxKeep, std::size_t& length);

private:
    bool Fill(); // refills the buffer; false at end of file

    int fd_ = -1;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;       // the file (or a Ctrl-Z) has been reached
    bool pendingLf_ = false; // the previous line ended with a CR at the buffer's end
};

} // namespace morvane
