#pragma once

#include "Corvale/SvgPath.hpp"

#include <QPainterPath>

#include <string_view>
#include <vector>

namespace corvale {

// The segments as a painter path.
QPainterPath painterPath(const std::vector<SvgPath::Segment>& segments);

// Path data drawn as a painter path; empty when it does not parse.
QPainterPath painterPath(std::string_view data);

} // namespace corvale
