// The options of the project's command lines, each spelt "--name VALUE" or
// "--name=VALUE".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace inkvista {

enum class OptionValue {
    Absent,   // args[i] is not this option
    Taken,    // the value is in *value
    Missing,  // the option is the last argument and has no value
};

// Looks at args[i] for option `name`. When it is that option, its value (the
// text after '=', else the next argument) goes to *value and i moves past the
// option and its value; otherwise nothing changes.
OptionValue TakeOption(const std::vector<std::string>& args, size_t& i, std::string_view name,
                       std::string* value);

// A whole decimal number, optionally signed, with nothing before or after it;
// false for anything else, including a number outside int.
bool ParseWholeNumber(std::string_view text, int* value);

}  // namespace inkvista
