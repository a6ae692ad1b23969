#pragma once

#include "Corvale/WhatsNew.hpp"

#include <QWidget>

#include <memory>
#include <vector>

namespace skiro {

// The release notes' content: the heading, then a row per new feature.
std::unique_ptr<QWidget> makeWhatsNewView(const std::vector<corvale::WhatsNew::Release>& releases);

} // namespace skiro
