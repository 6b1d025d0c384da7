#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The item number in a dropped link, or in any text holding one: the first
// "ViewItem...&item=<digits>" anywhere in it. None when there is no link.
std::optional<std::uint32_t> ItemFromDroppedText(const std::string& text);
