// Test support for templates: a byte-image builder for hand-made files, a
// message-box sink that records the boxes, save/load helpers and a
// field-by-field comparison of two reports' persistent state.
#pragma once

#include "TrpBandView.h"
#include "TrpMemoView.h"
#include "TrpMessageBox.h"
#include "TrpPictureView.h"
#include "TrpReport.h"
#include "TrpSubReportView.h"
#include "TrpValueConvert.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace report::testing {

// Little-endian bytes in the forms of the template format.
class ByteImage {
public:
    ByteImage& U8(int v) {
        bytes.append(static_cast<char>(v));
        return *this;
    }
    ByteImage& I16(int v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
    ByteImage& I32(std::int64_t v) {
        for (int i = 0; i < 4; ++i)
            U8(static_cast<int>((v >> (8 * i)) & 0xFF));
        return *this;
    }
    // The counted string form.
    ByteImage& Str(const std::string& s) {
        I16(static_cast<int>(s.size()));
        bytes.append(s.data(), static_cast<qsizetype>(s.size()));
        return U8(0);
    }
    // The zero-terminated string form.
    ByteImage& ZStr(const std::string& s) {
        bytes.append(s.data(), static_cast<qsizetype>(s.size()));
        return U8(0);
    }
    // The counted list form.
    ByteImage& List(const std::vector<std::string>& lines) {
        I16(static_cast<int>(lines.size()));
        if (lines.empty())
            return U8(0);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            I16(static_cast<int>(lines[i].size()));
            bytes.append(lines[i].data(), static_cast<qsizetype>(lines[i].size()));
            U8(i + 1 < lines.size() ? 13 : 0);
        }
        return *this;
    }
    // The zero-terminated list form.
    ByteImage& ZList(const std::vector<std::string>& lines) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i > 0)
                U8(13);
            bytes.append(lines[i].data(), static_cast<qsizetype>(lines[i].size()));
        }
        return U8(0);
    }
    qsizetype Size() const { return bytes.size(); }
    // Overwrites the i32 at offset.
    void PatchI32(qsizetype offset, std::int64_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }

    QByteArray bytes;
};

struct RecordedBox {
    std::string text, caption;
    TrpMessageIcon icon;
};

// Installs itself for its lifetime and records every box.
class RecordingSink : public TrpMessageBoxSink {
public:
    RecordingSink() { previous_ = SetMessageBoxSink(this); }
    ~RecordingSink() override { SetMessageBoxSink(previous_); }
    void ShowMessageBox(const std::string& text, const std::string& caption,
                        TrpMessageIcon icon) override {
        boxes.push_back({text, caption, icon});
    }
    std::vector<RecordedBox> boxes;

private:
    TrpMessageBoxSink* previous_;
};

// A 5 x 3 bitmap file image, green with a red pixel at (4, 2).
QByteArray BitmapFileImage();
// Bytes no decoder here understands; they must come back unchanged.
extern const std::string kMetafileBytes;
// Sets every field of the common part away from its default.
void SetEveryCommonField(TrpView& view, int seed);
// A report with every object kind (text, bands of two types, pictures with
// a bitmap, metafile bytes and nothing, a line, a sub-report), a report
// page and a dialog page, and a dictionary, every property away from its
// default. Paper goes through the printer layer as a load does, so that
// the built pages hold what a loaded one would.
void BuildFullTemplate(TrpReport& report);

inline QByteArray Save(TrpReport& report) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    report.SaveToStream(buffer);
    return bytes;
}

inline void Load(TrpReport& report, const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    report.LoadFromStream(buffer);
}

inline void ExpectSameView(TrpView& a, TrpView& b) {
    SCOPED_TRACE("object " + a.Name);
    EXPECT_EQ(a.ObjectType, b.ObjectType);
    EXPECT_EQ(a.Name, b.Name);
    EXPECT_EQ(a.Left, b.Left);
    EXPECT_EQ(a.Top, b.Top);
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Height, b.Height);
    EXPECT_EQ(a.Flags, b.Flags);
    EXPECT_EQ(a.FrameTyp, b.FrameTyp);
    EXPECT_DOUBLE_EQ(a.FrameWidth, b.FrameWidth);
    EXPECT_EQ(a.FrameColor, b.FrameColor);
    EXPECT_EQ(a.FrameStyle, b.FrameStyle);
    EXPECT_EQ(a.FillColor, b.FillColor);
    EXPECT_EQ(a.FormatCode, b.FormatCode);
    EXPECT_EQ(a.FormatPattern, b.FormatPattern);
    EXPECT_EQ(a.Memo, b.Memo);
    EXPECT_EQ(a.ScriptText, b.ScriptText);
    EXPECT_EQ(a.Visible, b.Visible);
    EXPECT_EQ(a.Restrictions, b.Restrictions);
    EXPECT_EQ(a.Tag, b.Tag);
    EXPECT_EQ(a.GapX, b.GapX);
    EXPECT_EQ(a.GapY, b.GapY);
    EXPECT_EQ(a.BandAlign, b.BandAlign);
    if (auto* ma = dynamic_cast<TrpMemoView*>(&a)) {
        auto* mb = dynamic_cast<TrpMemoView*>(&b);
        ASSERT_NE(mb, nullptr);
        EXPECT_EQ(ma->Font, mb->Font);
        EXPECT_EQ(ma->Alignment, mb->Alignment);
        EXPECT_EQ(ma->Highlight, mb->Highlight);
        EXPECT_EQ(ma->LineSpacing, mb->LineSpacing);
        EXPECT_EQ(ma->CharSpacing, mb->CharSpacing);
    }
    if (auto* ba = dynamic_cast<TrpBandView*>(&a)) {
        auto* bb = dynamic_cast<TrpBandView*>(&b);
        ASSERT_NE(bb, nullptr);
        EXPECT_EQ(ba->ChildBand, bb->ChildBand);
        EXPECT_EQ(ba->Master, bb->Master);
        EXPECT_EQ(ba->Columns, bb->Columns);
        EXPECT_EQ(ba->ColumnWidth, bb->ColumnWidth);
        EXPECT_EQ(ba->ColumnGap, bb->ColumnGap);
        EXPECT_EQ(ba->NewColumnAfter, bb->NewColumnAfter);
    }
    if (auto* pa = dynamic_cast<TrpPictureView*>(&a)) {
        auto* pb = dynamic_cast<TrpPictureView*>(&b);
        ASSERT_NE(pb, nullptr);
        EXPECT_EQ(pa->BlobType, pb->BlobType);
        EXPECT_EQ(pa->Picture.Kind, pb->Picture.Kind);
        EXPECT_EQ(pa->Picture.Bytes, pb->Picture.Bytes);
        EXPECT_EQ(pa->Picture.Image.isNull(), pb->Picture.Image.isNull());
        EXPECT_EQ(pa->Picture.Image.size(), pb->Picture.Image.size());
    }
    if (auto* sa = dynamic_cast<TrpSubReportView*>(&a)) {
        auto* sb = dynamic_cast<TrpSubReportView*>(&b);
        ASSERT_NE(sb, nullptr);
        EXPECT_EQ(sa->SubPage, sb->SubPage);
    }
}

inline void ExpectSamePage(TrpPage& a, TrpPage& b) {
    SCOPED_TRACE("page " + a.Name);
    EXPECT_EQ(a.Name, b.Name);
    EXPECT_EQ(a.PaperSize, b.PaperSize);
    EXPECT_EQ(a.PaperWidth, b.PaperWidth);
    EXPECT_EQ(a.PaperHeight, b.PaperHeight);
    EXPECT_EQ(a.LeftMargin, b.LeftMargin);
    EXPECT_EQ(a.TopMargin, b.TopMargin);
    EXPECT_EQ(a.RightMargin, b.RightMargin);
    EXPECT_EQ(a.BottomMargin, b.BottomMargin);
    EXPECT_EQ(a.Orientation, b.Orientation);
    EXPECT_EQ(a.PaperBin, b.PaperBin);
    EXPECT_EQ(a.PrintToPrevPage, b.PrintToPrevPage);
    EXPECT_EQ(a.UseMargins, b.UseMargins);
    EXPECT_EQ(a.Metrics, b.Metrics);
    EXPECT_EQ(a.Columns, b.Columns);
    EXPECT_EQ(a.ColumnGap, b.ColumnGap);
    EXPECT_EQ(a.PageType, b.PageType);
    EXPECT_EQ(a.BorderStyle, b.BorderStyle);
    EXPECT_EQ(a.Caption, b.Caption);
    EXPECT_EQ(a.Color, b.Color);
    EXPECT_EQ(a.DialogLeft, b.DialogLeft);
    EXPECT_EQ(a.DialogTop, b.DialogTop);
    EXPECT_EQ(a.DialogWidth, b.DialogWidth);
    EXPECT_EQ(a.DialogHeight, b.DialogHeight);
    EXPECT_EQ(a.Position, b.Position);
    EXPECT_EQ(a.Script, b.Script);
    ASSERT_EQ(a.Count(), b.Count());
    for (std::size_t i = 0; i < a.Count(); ++i)
        ExpectSameView(*a.Object(i), *b.Object(i));
}

inline void ExpectSameList(const TrpVariables& a, const TrpVariables& b) {
    ASSERT_EQ(a.Count(), b.Count());
    for (int i = 0; i < a.Count(); ++i) {
        EXPECT_EQ(a.Name(i), b.Name(i));
        EXPECT_EQ(ValueToText(a.Value(i)), ValueToText(b.Value(i)));
    }
}

inline void ExpectSameReport(TrpReport& a, TrpReport& b) {
    EXPECT_EQ(a.UseDefaultPrinter, b.UseDefaultPrinter);
    EXPECT_EQ(a.TwoPass, b.TwoPass);
    ASSERT_EQ(a.Pages.Count(), b.Pages.Count());
    for (std::size_t p = 0; p < a.Pages.Count(); ++p)
        ExpectSamePage(*a.Pages[p], *b.Pages[p]);
    ExpectSameList(a.Dictionary.Variables, b.Dictionary.Variables);
    ExpectSameList(a.Dictionary.Aliases, b.Dictionary.Aliases);
    ExpectSameList(a.Dictionary.ThirdList, b.Dictionary.ThirdList);
}

} // namespace report::testing
