// A headless application object; see THeadlessGui.h.
#include "THeadlessGui.h"

#include <QGuiApplication>

namespace morvane {

namespace {
// QGuiApplication keeps references to argc and argv for its lifetime.
int g_argc = 1;
char g_program[] = "morvane";
char* g_argv[] = {g_program, nullptr};
} // namespace

THeadlessGui::THeadlessGui() {
    if (QCoreApplication::instance() != nullptr)
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QGuiApplication>(g_argc, g_argv);
}

THeadlessGui::~THeadlessGui() = default;

} // namespace morvane
