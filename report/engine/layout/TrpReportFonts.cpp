// Report font resolution and the Liberation font files.
#include "TrpReportFonts.h"

#include "EnginePixels.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>
#include <QtGlobal>
#include <algorithm>
#include <cctype>
#include <set>

namespace report {

namespace {

// Where Debian installs the Liberation fonts (version 2 first).
const char* const kFontDirectories[] = {
    "/usr/share/fonts/truetype/liberation2/",
    "/usr/share/fonts/truetype/liberation/",
};
const char* const kFaces[] = {"Sans", "Serif", "Mono"};
const char* const kStyles[] = {"Regular", "Bold", "Italic", "BoldItalic"};

const QString kSans = QStringLiteral("Liberation Sans");
const QString kSerif = QStringLiteral("Liberation Serif");
const QString kMono = QStringLiteral("Liberation Mono");

// Windows font names and the Liberation family that matches each in
// metrics. Names are compared in lower case.
struct Alias {
    const char* name;
    const QString* family;
};
const Alias kAliases[] = {
    {"arial", &kSans},           {"helvetica", &kSans},         {"ms sans serif", &kSans},
    {"liberation sans", &kSans}, {"times new roman", &kSerif},  {"times", &kSerif},
    {"ms serif", &kSerif},       {"liberation serif", &kSerif}, {"courier new", &kMono},
    {"courier", &kMono},         {"liberation mono", &kMono},
};

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

void WarnOnce(const std::string& key, const QString& message) {
    static std::set<std::string> warned;
    if (warned.insert(key).second)
        qWarning("Report text: %s", qUtf8Printable(message));
}

} // namespace

void TrpReportFonts::LoadFontFiles() {
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    for (const char* face : kFaces) {
        for (const char* style : kStyles) {
            const QString file = QStringLiteral("Liberation%1-%2.ttf").arg(face, style);
            for (const char* dir : kFontDirectories)
                if (QFontDatabase::addApplicationFont(QString::fromLatin1(dir) + file) >= 0)
                    break;
        }
    }
    if (!QFontDatabase::families().contains(kSans))
        WarnOnce("liberation", QStringLiteral("the Liberation fonts are not installed; text "
                                              "is measured with the platform's default font"));
}

QString TrpReportFonts::FamilyFor(const std::string& name) {
    const std::string lower = Lower(name);
    for (const Alias& alias : kAliases)
        if (lower == alias.name)
            return *alias.family;
    WarnOnce("name:" + lower, QStringLiteral("font \"%1\" is not available; Liberation Sans "
                                             "stands in for it")
                                  .arg(QString::fromStdString(name)));
    return kSans;
}

int TrpReportFonts::ClampPixels(double pixels) {
    return static_cast<int>(RoundHalfEven(std::clamp<double>(pixels, -kMaxPixels, kMaxPixels)));
}

int TrpReportFonts::LayoutPixelHeight(std::int32_t size) {
    return std::max(1, ClampPixels(size * 96.0 / 72.0));
}

QFont TrpReportFonts::Make(const TrpFont& font, int pixelHeight, int charSpacing) {
    LoadFontFiles();
    QFont f(FamilyFor(font.Name));
    f.setPixelSize(std::clamp(pixelHeight, 1, kMaxPixels));
    f.setBold((font.Style & kFontBold) != 0);
    f.setItalic((font.Style & kFontItalic) != 0);
    f.setUnderline((font.Style & kFontUnderline) != 0);
    f.setStrikeOut((font.Style & kFontStrikeOut) != 0);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    // Glyphs missing from the face are not borrowed from whatever else is
    // installed.
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferOutline));
    if (charSpacing != 0)
        f.setLetterSpacing(QFont::AbsoluteSpacing, ClampPixels(charSpacing));
    const QString resolved = QFontInfo(f).family();
    if (resolved != f.family())
        WarnOnce("resolved:" + Lower(font.Name),
                 QStringLiteral("font \"%1\" resolves to \"%2\"")
                     .arg(QString::fromStdString(font.Name), resolved));
    return f;
}

} // namespace report
