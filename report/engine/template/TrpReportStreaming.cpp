// Loading and saving a whole report as a template, with the user's view of
// every failure: a message box through the engine's seam.
//
// Loading: the printer layer must have started (the paper of every page
// goes through it); the report becomes the engine's current report and its
// dictionary is emptied. An empty stream changes nothing more. A version
// this system does not know leaves the pages as they were. Any other damage
// leaves the report with one empty page. Unknown object classes keep what
// was read and list the classes.
//
// Saving writes the current version: header, every page record, every
// object record (page by page, in list order) with its end offset, then the
// dictionary.
#include "ETrpTemplateError.h"
#include "TrpDictionaryStreaming.h"
#include "TrpEngineState.h"
#include "TrpFieldReference.h"
#include "TrpForm.h"
#include "TrpMessageBox.h"
#include "TrpMessages.h"
#include "TrpPrinter.h"
#include "TrpReport.h"
#include "TrpTemplateFormat.h"
#include "TrpTemplateReader.h"
#include "TrpWriteStream.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

namespace report {

using namespace tplfmt;

namespace {

// The message that lists object classes a template uses but this system
// does not register.
constexpr const char* kMissingComponentsHeading =
    "Opened report contains the following non-plugged components:";
constexpr const char* kMissingComponentsAdvice =
    "Use appropriate component from RP component palette";

void ShowLoadError(const std::string& text) {
    ShowMessageBox(text, std::string(MessageText(kMsgErrorCaption)), TrpMessageIcon::Error);
}

// The printer layer starts once, from the program's start-up, on this same
// thread. A start-up still queued gets the chance to run; when there is
// none the layer is started without a platform printer, since waiting for
// it would never end.
void WaitForPrinterStartUp() {
    TrpPrinter& printer = Printer();
    if (printer.Started())
        return;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    if (!printer.Started())
        printer.StartUp(nullptr);
}

// Whether a dictionary name resolves to a field of a dataset the report's
// owner holds.
TrpFieldResolver FieldResolverOf(const TrpReport& report) {
    const TrpLookupContext context = LookupContextOf(report.Owner());
    return [context](const std::string& name) {
        return ResolveFieldReference(context, name, nullptr).has_value();
    };
}

// A damaged template leaves one empty page with the printer's default paper.
void ResetToEmptyPage(TrpReport& report) {
    report.Pages.Clear();
    TrpPage* page = report.Pages.Add();
    page->ChangePaper(Printer().DefaultPaper(), 0, 0, kDefaultPaperBin, TrpOrientation::Portrait);
}

// The printer name as a template stores it.
std::string StoredPrinterName() {
    const TrpPrinter& printer = Printer();
    if (printer.VirtualSelected())
        return std::string(1, kVirtualPrinterToken);
    const std::vector<std::string>& names = printer.PrinterNames();
    const int index = printer.PrinterIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= names.size())
        return std::string(1, kVirtualPrinterToken);
    return names[static_cast<std::size_t>(index)];
}

void WriteObjectRecord(TrpWriteStream& stream, TrpView& view, std::size_t pageIndex) {
    if (pageIndex > 0xFF)
        throw ETrpTemplateError("an object on page " + std::to_string(pageIndex) +
                                " cannot be stored in a template");
    stream.WriteByte(view.ObjectType);
    if (view.ObjectType == kTypeExtension)
        stream.WriteString(view.ClassName());
    stream.WriteByte(static_cast<std::uint8_t>(pageIndex));
    const std::int64_t end = stream.WritePlaceholder();
    view.SaveToStream(stream);
    stream.PatchEndOffset(end);
}

} // namespace

bool TrpReport::LoadFromFile(const std::string& fileName) {
    QFile file(QFile::decodeName(QByteArray::fromStdString(fileName)));
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly))
        throw ETrpTemplateError("Cannot open file " + fileName);
    LoadFromStream(file);
    FileName = fileName;
    return true;
}

void TrpReport::LoadFromStream(QIODevice& stream) {
    WaitForPrinterStartUp();
    EngineState().CurrentReport = this;
    Dictionary.Clear();
    if (stream.isOpen() && stream.atEnd())
        return;
    std::string missing;
    try {
        TrpTemplateReader reader(*this, stream, FieldResolverOf(*this));
        if (!reader.ReadVersion()) {
            ShowLoadError(std::string(MessageText(kMsgUnsupportedFormat)));
            return;
        }
        Pages.Clear();
        Dictionary.Clear();
        missing = reader.Read();
    } catch (const std::exception&) {
        ShowLoadError(std::string(MessageText(kMsgUnsupportedFormat)));
        ResetToEmptyPage(*this);
        return;
    }
    if (!missing.empty())
        ShowLoadError(std::string(kMissingComponentsHeading) + "\n" + missing +
                      kMissingComponentsAdvice);
}

void TrpReport::SaveToStream(QIODevice& stream) {
    TrpWriteStream out(stream);
    out.WriteByte(kCurrentVersion);
    out.WriteI16(UseDefaultPrinter ? 1 : 0);
    out.WriteI16(TwoPass ? 1 : 0);
    out.WriteString(StoredPrinterName());
    for (std::size_t p = 0; p < Pages.Count(); ++p) {
        out.WriteByte(kTagPage);
        Pages[p]->SaveToStream(out);
    }
    for (std::size_t p = 0; p < Pages.Count(); ++p) {
        TrpPage* page = Pages[p];
        for (std::size_t i = 0; i < page->Count(); ++i)
            WriteObjectRecord(out, *page->Object(i), p);
    }
    out.WriteByte(kTagDictionary);
    WriteDictionary(out, Dictionary);
}

void TrpReport::SaveToFile(const std::string& fileName) {
    // The old file stays until the new one is complete.
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(fileName)));
    if (!file.open(QIODevice::WriteOnly))
        throw ETrpTemplateError("Cannot create file " + fileName);
    SaveToStream(file);
    if (!file.commit())
        throw ETrpTemplateError("Cannot write file " + fileName);
}

} // namespace report
