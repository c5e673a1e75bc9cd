// keyctl's command line: a command, its positional arguments and its --options.
#pragma once
#include <map>
#include <string>
#include <vector>

struct OptionRule {
    const char* name;  // without the leading "--"
    bool takesValue;
};

class Arguments {
public:
    // Splits `args` (after the command) against the options the command knows. False,
    // with `error`, for an unknown option or a missing option value.
    bool Parse(const std::vector<std::string>& args, const std::vector<OptionRule>& known, std::string& error);

    const std::vector<std::string>& Positional() const { return positional_; }
    bool Has(const std::string& option) const { return options_.count(option) != 0; }
    std::string Value(const std::string& option, const std::string& otherwise = "") const;

private:
    std::vector<std::string> positional_;
    std::map<std::string, std::string> options_;
};

// A whole decimal number within [low, high].
bool ParseNumber(const std::string& text, unsigned long low, unsigned long high, unsigned long& value);
