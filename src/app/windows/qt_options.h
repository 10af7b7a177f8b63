// The options that Qt itself takes from a program's command line (-platform, -style, -display
// and the others), so that msgkeeper can tell them from options that nobody takes.
#pragma once

#include <string>
#include <vector>

// The arguments without Qt's options and their values, the program's name first.
std::vector<std::string> WithoutQtOptions(int argc, const char* const* argv);
