#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace blenvar {

// One argument of the command options; quoted when it used double quotes.
struct CommandWord {
    std::string text;
    bool quoted = false;
};

// Splits command options into arguments the way a Windows command line is split, so
// options written for the original platform keep their meaning: blanks and tabs separate
// arguments, double quotes group words ("" inside quotes is a literal quote), and
// backslashes are literal except in front of a double quote (2n backslashes + quote give n
// backslashes and a grouping quote; 2n+1 give n backslashes and a literal quote).
// A quoted "" is a deliberate empty argument, while an unquoted word that a mask turns
// into nothing is dropped.
std::vector<CommandWord> SplitCommandWords(std::string_view options);

}  // namespace blenvar
