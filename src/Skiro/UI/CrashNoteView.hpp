#pragma once

#include "Corvale/CrashNote.hpp"
#include "Platform/System.hpp"

#include <QWidget>

#include <memory>

namespace skiro {

// The crash note's content: what happened, the summary to select, and the buttons that copy the
// report and open an issue (through `system`'s workspace).
std::unique_ptr<QWidget> makeCrashNoteView(const corvale::CrashNote::Model& model,
                                           platform::System& system);

} // namespace skiro
