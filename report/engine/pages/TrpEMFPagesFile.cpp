// TrpEMFPages: writing and reading prepared-report files (layout in
// TrpPreparedFormat.h). Reading trusts nothing: counts, end offsets and
// lengths are checked against the bytes that remain, and every failure is
// ETrpTemplateError with the list left empty.
#include "ETrpTemplateError.h"
#include "TrpEMFPages.h"
#include "TrpPreparedFormat.h"
#include "TrpReadStream.h"
#include "TrpReport.h"
#include "TrpTemplateFormat.h"
#include "TrpWriteStream.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

namespace report {

namespace {

std::uint8_t OrientationByte(TrpOrientation orientation) {
    return orientation == TrpOrientation::Landscape ? rppfmt::kLandscape : rppfmt::kPortrait;
}

TrpOrientation OrientationOf(std::uint8_t value) {
    return value == rppfmt::kLandscape ? TrpOrientation::Landscape : TrpOrientation::Portrait;
}

std::string SelectedPrinterName() {
    const TrpPrinter& printer = Printer();
    const auto& names = printer.PrinterNames();
    const int index = printer.PrinterIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= names.size())
        return {};
    return names[static_cast<std::size_t>(index)];
}

// Applies the entry's paper through the printer layer and takes its metrics.
void ApplyPaper(TrpEMFPage& page) {
    TrpPrinter& printer = Printer();
    printer.SetPaper(page.PaperSize, page.PaperWidth, page.PaperHeight, page.Orientation,
                     page.PaperBin, false);
    printer.FillPageMetrics(page.Metrics);
}

// Reads an entry's end offset and checks that it lies between the entry's
// fixed part (fixedSize bytes from entryStart) and the end of the file.
std::int64_t ReadEndOffset(TrpReadStream& stream, std::size_t fixedSize) {
    const std::int64_t entryStart = stream.Position();
    const std::int64_t end = stream.ReadI32();
    if (end < entryStart + static_cast<std::int64_t>(fixedSize) || end > stream.Size())
        throw ETrpTemplateError("page entry end offset " + std::to_string(end) +
                                " outside the file");
    return end;
}

// Reads a page count and checks that the entries can fit in what remains.
std::int32_t ReadPageCount(TrpReadStream& stream, std::size_t entrySize) {
    const std::int32_t count = stream.ReadI32();
    if (count < 0)
        throw ETrpTemplateError("negative page count");
    stream.Require(static_cast<std::int64_t>(count) * static_cast<std::int64_t>(entrySize),
                   "page entries");
    return count;
}

std::unique_ptr<TrpEMFPage> ReadCurrentEntry(TrpReadStream& stream, int version, bool compressed) {
    const bool hasBin = version >= rppfmt::kBinVersion;
    auto page = std::make_unique<TrpEMFPage>();
    const std::int64_t end =
        ReadEndOffset(stream, hasBin ? rppfmt::kEntrySize : rppfmt::kEntryBaseSize);
    page->PaperSize = stream.ReadU16();
    page->PaperWidth = stream.ReadI32();
    page->PaperHeight = stream.ReadI32();
    page->Orientation = OrientationOf(stream.ReadByte());
    if (hasBin)
        page->PaperBin = stream.ReadI32();
    page->WholeSheet = stream.ReadByte() != 0;
    if (hasBin) {
        page->LeftMargin = stream.ReadI32();
        page->TopMargin = stream.ReadI32();
        page->RightMargin = stream.ReadI32();
        page->BottomMargin = stream.ReadI32();
    }
    const QByteArray content = stream.ReadBytes(end - stream.Position());
    // Compressed streams have no decompressor here: the page stays empty.
    if (compressed || content.isEmpty())
        page->Stream.append(static_cast<char>(rppfmt::kStreamVersion));
    else
        page->Stream = content;
    return page;
}

// The oldest layout's page: paper values and a metafile image of the sheet,
// which this system cannot show; the page is kept empty.
std::unique_ptr<TrpEMFPage> ReadOldEntry(TrpReadStream& stream) {
    auto page = std::make_unique<TrpEMFPage>();
    const std::int64_t end = ReadEndOffset(stream, rppfmt::kOldEntrySize);
    page->PaperSize = stream.ReadU16();
    page->PaperWidth = stream.ReadI32();
    page->PaperHeight = stream.ReadI32();
    page->Orientation = OrientationOf(stream.ReadByte());
    page->WholeSheet = stream.ReadByte() != 0;
    page->Stream.append(static_cast<char>(rppfmt::kStreamVersion));
    stream.Seek(end);
    return page;
}

} // namespace

void TrpEMFPages::SaveToStream(QIODevice& device) const {
    TrpWriteStream stream(device);
    stream.WriteByte(rppfmt::kFileVersion);
    stream.WriteByte(rppfmt::kFlagPlain);
    stream.WriteString(SelectedPrinterName());
    stream.WriteI32(static_cast<std::int32_t>(pages_.size()));
    for (const auto& page : pages_) {
        const std::int64_t end = stream.WritePlaceholder();
        stream.WriteU16(static_cast<std::uint16_t>(page->PaperSize));
        stream.WriteI32(page->PaperWidth);
        stream.WriteI32(page->PaperHeight);
        stream.WriteByte(OrientationByte(page->Orientation));
        stream.WriteI32(page->PaperBin);
        stream.WriteByte(page->WholeSheet ? 1 : 0);
        stream.WriteI32(page->LeftMargin);
        stream.WriteI32(page->TopMargin);
        stream.WriteI32(page->RightMargin);
        stream.WriteI32(page->BottomMargin);
        stream.WriteBytes(page->Stream);
        stream.PatchEndOffset(end);
    }
}

void TrpEMFPages::SaveToFile(const std::string& fileName) const {
    // Written under a temporary name beside the target and renamed into
    // place when complete: the old file stays until then, and a failed
    // write leaves nothing behind.
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(fileName)));
    if (!file.open(QIODevice::WriteOnly))
        throw ETrpTemplateError("cannot create " + fileName);
    SaveToStream(file);
    if (!file.commit())
        throw ETrpTemplateError("cannot write " + fileName);
}

void TrpEMFPages::LoadFromStream(QIODevice& device) {
    Clear();
    TrpReadStream stream(device, tplfmt::kCurrentVersion);
    int version = stream.ReadByte();
    if (version < rppfmt::kFirstVersion || version > rppfmt::kLastVersion) {
        stream.Seek(0);
        version = rppfmt::kNoVersion;
    }
    const std::uint8_t flag = stream.ReadByte();
    std::vector<std::unique_ptr<TrpEMFPage>> loaded;
    if (flag == rppfmt::kFlagPlain || flag == rppfmt::kFlagCompressed ||
        flag == rppfmt::kFlagCompressedAlt) {
        Printer().SelectStoredPrinter(stream.ReadNewString(),
                                      report_ && report_->UseDefaultPrinter);
        const bool hasBin = version >= rppfmt::kBinVersion;
        const std::int32_t count =
            ReadPageCount(stream, hasBin ? rppfmt::kEntrySize : rppfmt::kEntryBaseSize);
        for (std::int32_t i = 0; i < count; ++i) {
            loaded.push_back(ReadCurrentEntry(stream, version, flag != rppfmt::kFlagPlain));
            ApplyPaper(*loaded.back());
        }
    } else {
        stream.Seek(0);
        stream.SetVersion(tplfmt::kOldestVersion);
        const std::vector<std::string> names = stream.ReadStringList();
        Printer().SelectStoredPrinter(names.empty() ? std::string() : names.front(),
                                      report_ && report_->UseDefaultPrinter);
        const std::int32_t count = ReadPageCount(stream, rppfmt::kOldEntrySize);
        for (std::int32_t i = 0; i < count; ++i) {
            loaded.push_back(ReadOldEntry(stream));
            ApplyPaper(*loaded.back());
        }
    }
    pages_ = std::move(loaded);
    CanRebuild = false;
}

void TrpEMFPages::LoadFromFile(const std::string& fileName) {
    QFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::ReadOnly))
        throw ETrpTemplateError("cannot open " + fileName);
    LoadFromStream(file);
}

} // namespace report
