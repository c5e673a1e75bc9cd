// The environment pieces of the wide log's start report, one line each.
#pragma once
#include <string>

struct EnvironmentReport {
    std::string windows;           // "Microsoft Windows XP Professional Service Pack 2 (Build 2600)"
    std::string language;          // system language name; empty when unknown
    std::string internetExplorer;  // "Microsoft Internet Explorer 6.0.2900.2180"
    std::string processor;         // name, identifier, vendor, "~MHz"
    std::string memory;            // "512 MB RAM"
};

EnvironmentReport CollectEnvironmentReport();
