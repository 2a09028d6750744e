#include "platform/CommandLine.h"

#include <charconv>

namespace inkvista {

OptionValue TakeOption(const std::vector<std::string>& args, size_t& i, std::string_view name,
                       std::string* value) {
    if (i >= args.size()) return OptionValue::Absent;
    const std::string& arg = args[i];
    if (arg == name) {
        if (i + 1 >= args.size()) {
            i += 1;
            return OptionValue::Missing;
        }
        *value = args[i + 1];
        i += 2;
        return OptionValue::Taken;
    }
    if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
        arg[name.size()] == '=') {
        *value = arg.substr(name.size() + 1);
        i += 1;
        return OptionValue::Taken;
    }
    return OptionValue::Absent;
}

bool ParseWholeNumber(std::string_view text, int* value) {
    if (text.empty()) return false;
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    *value = v;
    return true;
}

}  // namespace inkvista
