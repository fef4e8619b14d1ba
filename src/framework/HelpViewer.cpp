#include "framework/HelpViewer.h"

#include <utility>

namespace framework {

namespace {
HelpViewer* current = nullptr;
}

HelpViewer* helpViewer() { return current; }

HelpViewer* SetHelpViewer(HelpViewer* viewer) { return std::exchange(current, viewer); }

}  // namespace framework
