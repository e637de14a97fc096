// The input method's options kept for the user in one settings file, for frontends whose
// framework keeps none of its own (IBus): lines "output=unicode" or "output=sutonnymj" and
// "swap-case=true" or "swap-case=false", "any-case=true" or "any-case=false".
#pragma once

#include "composer.h"

#include <filesystem>
#include <string>

namespace kestrum::ime {

// $XDG_CONFIG_HOME/kestrum/<name>, or ~/.config/kestrum/<name>; empty when neither gives an
// absolute folder.
std::filesystem::path settingsFile(const std::string &name);

// The options in the file; a missing file, or a line it does not know, leaves the defaults.
Options readOptions(const std::filesystem::path &file);
// Saves the options (the folder is made when missing); false with *reason on failure.
bool writeOptions(const std::filesystem::path &file, const Options &options, std::string *reason);

} // namespace kestrum::ime
