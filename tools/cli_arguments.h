// pallion-cli's command line: the command, its options and its arguments, and the usage text.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "viewer/render/body/body_forms.h"

namespace tools {

struct Arguments {
    std::string command;
    bool raw = false;
    bool json = false;
    std::optional<std::string> format; // body's --format, as given
    std::vector<std::string> positional;
};

// The words after the program's name; nothing for no command or an option no command has.
std::optional<Arguments> Parse(int argc, char** argv);

// The body form named by --format ("rtf", "html", "text").
std::optional<viewer::render::body::BodyForm> FormNamed(const std::string& name);

const char* UsageText();

} // namespace tools
