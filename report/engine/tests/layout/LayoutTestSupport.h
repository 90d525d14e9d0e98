// Shared pieces of the text layout tests: a Qt GUI application for the
// font machinery (offscreen, created once), a measurer with a fixed width
// per character for exact line-break cases, and ink bounds of drawings.
#pragma once

#include "TrpTextMeasurer.h"

#include <QGuiApplication>
#include <QImage>
#include <QRect>
#include <cstdlib>

namespace layout_test {

inline void EnsureGuiApplication() {
    if (QGuiApplication::instance())
        return;
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "report_engine_tests";
    static char* argv[] = {name, nullptr};
    // Kept to the end of the process: destroying it among the other
    // statics at exit would pull the font machinery out from under them.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

// Every character is ten pixels wide.
class FixedMeasurer : public report::TrpTextMeasurer {
public:
    int TextWidth(std::string_view text) const override {
        return 10 * static_cast<int>(text.size());
    }
};

// The smallest rectangle inside area holding every pixel that differs from
// background; null when there is none.
inline QRect InkBounds(const QImage& image, const QRect& area, QRgb background) {
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != background)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

} // namespace layout_test
