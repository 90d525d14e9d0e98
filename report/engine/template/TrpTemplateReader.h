// TrpTemplateReader: reads one template into a report, chunk by chunk.
//
// States: header (version, printer settings) -> chunks (pages, objects,
// dictionary, until the end of the stream or an extension block) -> done.
// An error inside one object record drops that object and goes on after
// it: at its end offset when the record has one, otherwise where the error
// left the stream. Objects of classes that are not registered are skipped
// the same way and their class names collected; Read answers that list
// once every chunk is read. Any other error propagates.
//
// Every chunk ends further on in the stream than it began, so reading
// always ends.
#pragma once

#include "TrpDictionaryStreaming.h"
#include "TrpReadStream.h"

#include <QIODevice>
#include <cstdint>
#include <string>

namespace report {

class TrpReport;
class TrpView;

class TrpTemplateReader {
public:
    TrpTemplateReader(TrpReport& report, QIODevice& device, TrpFieldResolver resolvesToField);

    // Reads the version byte. False, with nothing more read, when the
    // version is one this system does not know; true otherwise, with the
    // stream positioned at the report header.
    bool ReadVersion();
    // Reads the report header and every chunk into the report, whose pages
    // and dictionary the caller has emptied. Answers the names of the
    // classes that are not registered, each followed by a line break; empty
    // when every object was known.
    std::string Read();

    int Version() const { return stream_.Version(); }

private:
    void ReadHeader();
    // False at an extension block, which ends the template.
    bool ReadChunk();
    void ReadPage();
    void ReadObject(std::uint8_t tag);
    // Reads the object body into a new object on page pageIndex; the
    // object is removed again when its record fails.
    void ReadObjectBody(std::uint8_t type, const std::string& className, std::uint8_t pageIndex,
                        bool framedMemo);
    void NotifyAfterLoad();

    TrpReport& report_;
    TrpReadStream stream_;
    TrpFieldResolver resolvesToField_;
    std::string missingClasses_;
};

} // namespace report
