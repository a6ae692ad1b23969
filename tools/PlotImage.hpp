#pragma once

#include "Skiro/Plot/RecordingPlot.hpp"

#include <optional>
#include <string>

// Draws a recording's picture with Qt, offscreen: SVG when the path ends in ".svg", PNG
// otherwise. Answers why it couldn't, or nothing when the file was written.
std::optional<std::string> drawPlot(const skiro::PlotPicture& picture, const std::string& path);
