// Reading a template's header and chunks into a report.
#include "TrpTemplateReader.h"

#include "ETrpTemplateError.h"
#include "TrpMessages.h"
#include "TrpObjectFactory.h"
#include "TrpPrinter.h"
#include "TrpReport.h"
#include "TrpTemplateFormat.h"

#include <algorithm>

namespace report {

using namespace tplfmt;

TrpTemplateReader::TrpTemplateReader(TrpReport& report, QIODevice& device,
                                     TrpFieldResolver resolvesToField)
    : report_(report), stream_(device, kCurrentVersion),
      resolvesToField_(std::move(resolvesToField)) {}

bool TrpTemplateReader::ReadVersion() {
    const std::int64_t start = stream_.Position();
    const int version = stream_.ReadByte();
    if (version < kOldestVersion) {
        // No version byte: the first byte already belongs to the header.
        stream_.SetVersion(kOldestVersion);
        stream_.Seek(start);
        return true;
    }
    stream_.SetVersion(version);
    return version <= kCurrentVersion;
}

std::string TrpTemplateReader::Read() {
    ReadHeader();
    while (!stream_.AtEnd() && ReadChunk()) {
    }
    NotifyAfterLoad();
    return missingClasses_;
}

void TrpTemplateReader::ReadHeader() {
    report_.UseDefaultPrinter = stream_.ReadI16() != 0;
    report_.TwoPass = stream_.ReadI16() != 0;
    std::string name = stream_.ReadString();
    if (name == std::string(1, kVirtualPrinterToken))
        name = std::string(MessageText(kMsgVirtualPrinter));
    Printer().SelectStoredPrinter(name, report_.UseDefaultPrinter);
    report_.PrinterName = name;
}

bool TrpTemplateReader::ReadChunk() {
    const std::uint8_t tag = stream_.ReadByte();
    if (tag == kTagPage)
        ReadPage();
    else if (tag == kTagDictionary)
        ReadDictionary(stream_, report_.Dictionary, resolvesToField_);
    else if (tag == kTagExtension)
        return false;
    else if (tag <= kLastObjectTag)
        ReadObject(tag);
    else
        throw ETrpTemplateError("invalid chunk tag " + std::to_string(tag));
    return true;
}

void TrpTemplateReader::ReadPage() {
    TrpPage* page = report_.Pages.Add();
    page->LoadFromStream(stream_);
}

void TrpTemplateReader::ReadObject(std::uint8_t tag) {
    std::string className = tag == kTypeExtension ? stream_.ReadString() : std::string();
    const std::uint8_t pageIndex = stream_.ReadByte();
    std::int32_t endOffset = 0;
    if (stream_.Version() >= kCurrentVersion) {
        endOffset = stream_.ReadI32();
        // An end offset behind this point would read the record again.
        if (endOffset != 0 && (endOffset < stream_.Position() || endOffset > stream_.Size()))
            throw ETrpTemplateError("object record ends outside the stream");
    }
    std::uint8_t type = tag;
    bool framedMemo = false;
    if (tag == kTypeExtension) {
        const std::string upper = UpperName(className);
        if (upper == kFramedMemoClass) {
            type = kTypeMemo;
            framedMemo = true;
        } else if (upper == kTableLookupClass || upper == kSqlLookupClass) {
            className = std::string(kLookupControlClass);
        }
    }
    try {
        ReadObjectBody(type, className, pageIndex, framedMemo);
    } catch (const std::exception&) {
        // The record is dropped. The next chunk follows its end offset, or,
        // in files without end offsets, starts where the error left off.
    }
    if (endOffset != 0)
        stream_.Seek(endOffset);
}

void TrpTemplateReader::ReadObjectBody(std::uint8_t type, const std::string& className,
                                       std::uint8_t pageIndex, bool framedMemo) {
    std::unique_ptr<TrpView> created = CreateReportObject(type, className);
    if (!created) {
        if (type == kTypeExtension)
            missingClasses_ += className + "\n";
        return;
    }
    if (pageIndex >= report_.Pages.Count())
        throw ETrpTemplateError("object on page " + std::to_string(pageIndex) +
                                " that does not exist");
    TrpPage* page = report_.Pages[pageIndex];
    TrpView* view = page->Add(std::move(created));
    try {
        view->LoadFromStream(stream_);
        if (framedMemo)
            stream_.Skip(kFramedMemoTailSize);
        view->SetPropertyValue("Name", TrpValue(view->Name));
    } catch (...) {
        page->Delete(page->Count() - 1);
        throw;
    }
}

void TrpTemplateReader::NotifyAfterLoad() {
    for (std::size_t p = 0; p < report_.Pages.Count(); ++p) {
        TrpPage* page = report_.Pages[p];
        for (std::size_t i = 0; i < page->Count(); ++i)
            page->Object(i)->AfterLoad();
    }
}

} // namespace report
