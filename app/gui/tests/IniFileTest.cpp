// The INI reader: lookups as the private-profile reader makes them, and
// files that are missing, oversized or oddly formed.
#include "IniFile.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

using morvane::TIniFile;

TEST(IniFile, SectionAndKeyMatchWithoutRegardToCase) {
    const TIniFile ini = TIniFile::FromText("[inquiry]\r\nuSeR=clerk\r\nPASS=Se cret\r\n");
    EXPECT_EQ(ini.ReadString("Inquiry", "User"), "clerk");
    EXPECT_EQ(ini.ReadString("INQUIRY", "Pass"), "Se cret");
    EXPECT_EQ(ini.ReadString("Inquiry", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("Other", "User"), "");
}

TEST(IniFile, ValuesAreTrimmedAndUnquoted) {
    const TIniFile ini = TIniFile::FromText("  [ Inquiry ]  \n"
                                            " User =  ADMIN \t\n"
                                            "Pass=\" two  spaces \"\n"
                                            "Quote1='x'\n"
                                            "Unbalanced=\"abc\n"
                                            "Inner=a=b\n"
                                            "Empty=\n");
    EXPECT_EQ(ini.ReadString("Inquiry", "User"), "ADMIN");
    EXPECT_EQ(ini.ReadString("Inquiry", "Pass"), " two  spaces ");
    EXPECT_EQ(ini.ReadString("Inquiry", "Quote1"), "x");
    EXPECT_EQ(ini.ReadString("Inquiry", "Unbalanced"), "\"abc");
    EXPECT_EQ(ini.ReadString("Inquiry", "Inner"), "a=b");
    EXPECT_EQ(ini.ReadString("Inquiry", "Empty", "dflt"), "");
}

// The first section of a name and the first key inside it win; comments,
// keys before any section and lines without "=" are not entries.
TEST(IniFile, FirstSectionAndKeyWinAndNoiseIsIgnored) {
    const TIniFile ini = TIniFile::FromText("User=outside\r"
                                            "; User=comment\r"
                                            "[Inquiry]\r"
                                            "just words\r"
                                            "User=first\r"
                                            "user=second\r"
                                            "[Other]\r"
                                            "Pass=other\r"
                                            "[INQUIRY]\r"
                                            "Pass=later\r");
    EXPECT_EQ(ini.ReadString("Inquiry", "User"), "first");
    EXPECT_EQ(ini.ReadString("Inquiry", "Pass"), "");
    EXPECT_EQ(ini.ReadString("Other", "Pass"), "other");
    EXPECT_EQ(ini.ReadString("Inquiry", "; User"), "");
}

TEST(IniFile, BytesAreCarriedUnchanged) {
    const std::string value = "p\xE4ss\x01w";
    const TIniFile ini = TIniFile::FromText("[Inquiry]\nPass=" + value + "\n");
    EXPECT_EQ(ini.ReadString("Inquiry", "Pass"), value);
}

TEST(IniFile, MissingAndOversizedFilesReadAsEmpty) {
    const TIniFile missing("/nonexistent-dir/UserLogOn.ini");
    EXPECT_FALSE(missing.Exists());
    EXPECT_EQ(missing.ReadString("Inquiry", "User", "d"), "d");

    const std::string path = ::testing::TempDir() + "big.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "[Inquiry]\nUser=ADMIN\n";
        out << std::string(TIniFile::kMaxFileSize, ';');
    }
    const TIniFile big(path);
    EXPECT_FALSE(big.Exists());
    EXPECT_EQ(big.ReadString("Inquiry", "User"), "");
    std::remove(path.c_str());
}
