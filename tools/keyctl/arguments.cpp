#include "arguments.h"

#include <cstdlib>

bool Arguments::Parse(const std::vector<std::string>& args, const std::vector<OptionRule>& known, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            positional_.push_back(arg);
            continue;
        }
        const std::string name = arg.substr(2);
        const OptionRule* rule = nullptr;
        for (const OptionRule& candidate : known)
            if (name == candidate.name) rule = &candidate;
        if (!rule) {
            error = "unknown option " + arg;
            return false;
        }
        if (!rule->takesValue) {
            options_[name] = "";
            continue;
        }
        if (i + 1 >= args.size()) {
            error = "option " + arg + " needs a value";
            return false;
        }
        options_[name] = args[++i];
    }
    return true;
}

std::string Arguments::Value(const std::string& option, const std::string& otherwise) const
{
    const auto found = options_.find(option);
    return found == options_.end() ? otherwise : found->second;
}

bool ParseNumber(const std::string& text, unsigned long low, unsigned long high, unsigned long& value)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::strtoul(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}
