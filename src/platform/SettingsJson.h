// The file form of a settings tree: one JSON document with every value's type spelled out.
#pragma once

#include <string>

#include "platform/SettingsTree.h"

namespace kelvra::platform {

std::string SettingsToJson(const SettingsTree& tree);

bool SettingsFromJson(const std::string& text, SettingsTree* tree);

}  // namespace kelvra::platform
