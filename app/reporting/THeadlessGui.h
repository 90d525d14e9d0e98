// THeadlessGui: a QGuiApplication for programs without windows that build
// or render reports (fonts and the printer layer need one). When the
// process already has an application object nothing is made; otherwise the
// offscreen platform is chosen, unless QT_QPA_PLATFORM is set already, and
// an application lives as long as this object.
#pragma once

#include <memory>

class QGuiApplication;

namespace morvane {

class THeadlessGui {
public:
    THeadlessGui();
    ~THeadlessGui();
    THeadlessGui(const THeadlessGui&) = delete;
    THeadlessGui& operator=(const THeadlessGui&) = delete;

private:
    std::unique_ptr<QGuiApplication> app_;
};

} // namespace morvane
