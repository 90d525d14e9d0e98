// Generation with BLOB fields: a picture whose memo names a graphic field
// takes each record's graphic as its band prints; a Null graphic prints an
// empty picture, and a picture bound to a field that is not a BLOB keeps
// its own graphic.
#include "TemplateBuilder.h"
#include "TrpDBDataSet.h"
#include "TrpPictureView.h"
#include "TrpReportGeneration.h"
#include "layout/LayoutTestSupport.h"
#include "tabula/TableCreation.h"
#include "tabula/TabulaDatabase.h"
#include "tabula/TabulaSession.h"
#include "tabula/TabulaSessionList.h"
#include "tabula/TabulaTable.h"

#include <QBuffer>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace report {
namespace {

std::string BitmapBytes(int width) {
    QImage image(width, 2, QImage::Format_RGB32);
    image.fill(0xFF00FF00);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

class TrpGenerationBlobTest : public ::testing::Test {
protected:
    void SetUp() override {
        layout_test::EnsureGuiApplication();
        std::string pattern =
            (std::filesystem::temp_directory_path() / "morvane-rpblob-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        database_ = std::make_unique<tabula::TTabulaDatabase>();
        database_->SetDatabaseName("BLOBDB");
        database_->SetDirectory(dir_);
        tabula::TTableSpec spec;
        spec.Fields.Add("No", tabula::TFieldType::ftInteger);
        spec.Fields.Add("Photo", tabula::TFieldType::ftGraphic);
        spec.PrimaryIndex.Fields = "No";
        spec.PrimaryIndex.Unique = true;
        tabula::CreateTable(dir_ + "/P", spec);
        owner_ = std::make_unique<tabula::TComponent>();
        table_ = new tabula::TTabulaTable(owner_.get());
        table_->SetName("P");
        table_->SetDatabaseName("BLOBDB");
        table_->SetTableName("P.DAT");
        table_->Open();
        // Record 2 keeps a Null graphic; the others are as wide as their number.
        for (int no = 1; no <= 3; ++no) {
            table_->Append();
            table_->FieldByName("No").SetAsInteger(no);
            if (no != 2)
                table_->FieldByName("Photo").SetAsString(BitmapBytes(no));
            table_->Post();
        }
        report_ = new TrpReport(owner_.get());
        report_->ShowProgress = false;
        auto* link = new TrpDBDataSet(owner_.get());
        link->SetName("rpPhotos");
        link->SetDataSet(table_);
    }
    void TearDown() override {
        owner_.reset();
        database_.reset();
        tabula::DefaultSession().SetActive(false);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    TrpPictureView& Picture(testing::TemplateBuilder& build, int top, const std::string& line) {
        auto* picture = static_cast<TrpPictureView*>(build.Page().CreateView(kTypePicture));
        picture->SetBounds(0, top, 40, 20);
        picture->Memo = {line};
        picture->Name = "Photo";
        return *picture;
    }

    // The printed pictures of page 0, in print order.
    std::vector<TrpPictureView*> PrintedPictures() {
        std::vector<TrpPictureView*> result;
        TrpPage& page = report_->EMFPages().BuildPage(0);
        for (std::size_t i = 0; i < page.Count(); ++i)
            if (auto* p = dynamic_cast<TrpPictureView*>(page.Object(i)))
                result.push_back(p);
        return result;
    }

    std::string dir_;
    std::unique_ptr<tabula::TTabulaDatabase> database_;
    std::unique_ptr<tabula::TComponent> owner_;
    tabula::TTabulaTable* table_ = nullptr;
    TrpReport* report_ = nullptr;
};

TEST_F(TrpGenerationBlobTest, PictureTakesEachRecordsGraphic) {
    testing::TemplateBuilder build(*report_);
    build.Band(btMasterData, 0, 30, "rpPhotos");
    Picture(build, 0, "[Photo]");
    ASSERT_TRUE(BuildPages(*report_)) << LastGenerationError();
    auto pictures = PrintedPictures();
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_EQ(pictures[0]->Picture.Image.width(), 1);
    EXPECT_TRUE(pictures[1]->Picture.Empty());
    EXPECT_EQ(pictures[2]->Picture.Image.width(), 3);
    EXPECT_EQ(pictures[2]->Top, pictures[0]->Top + 60);
}

TEST_F(TrpGenerationBlobTest, VariableStandingForTheFieldBindsAndNonBlobFieldsDoNot) {
    report_->Dictionary.Variables.Set("Portrait", TrpValue("P.\"Photo\""));
    testing::TemplateBuilder build(*report_);
    build.Band(btMasterData, 0, 30, "rpPhotos");
    Picture(build, 0, "[Portrait]");
    // "No" is a field, but not a BLOB: the picture keeps what it holds.
    TrpPictureView& own = Picture(build, 0, "[No]");
    own.Left = 50;
    own.Name = "Own";
    own.Picture.Assign(TrpGraphicKind::Bitmap, BitmapBytes(7));
    ASSERT_TRUE(BuildPages(*report_)) << LastGenerationError();
    auto pictures = PrintedPictures();
    ASSERT_EQ(pictures.size(), 6u);
    EXPECT_EQ(pictures[0]->Picture.Image.width(), 1);
    EXPECT_EQ(pictures[1]->Picture.Image.width(), 7);
    EXPECT_EQ(pictures[4]->Picture.Image.width(), 3);
    EXPECT_EQ(pictures[5]->Picture.Image.width(), 7);
}

} // namespace
} // namespace report
