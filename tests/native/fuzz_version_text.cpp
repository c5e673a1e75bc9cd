// Fuzzes the version and log-format helpers with arbitrary numbers and texts: no crash,
// no overflow, and the documented bounds hold.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "log_format.h"
#include "version_class.h"
#include "windows_description.h"

namespace {
uint32_t Take32(const uint8_t*& data, size_t& size)
{
    uint32_t value = 0;
    const size_t n = size < 4 ? size : 4;
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint32_t ms = Take32(data, size), ls = Take32(data, size), facts = Take32(data, size);

    const std::string version = FormatFileVersion(ms, ls);
    if (version.empty() || version.size() > 23) std::abort();

    const int cls = VersionClassFromOs(facts & 3, (facts >> 2) & 15, (facts >> 6) & 127);
    if (cls < 0 || cls > 8) std::abort();
    if (WindowsShortName(cls) == nullptr) std::abort();

    const char first = size ? char(data[0]) : 0;
    const int wide = WideLogLevelFromSwitch(size ? 1 : 0, first);
    const int shortLevel = ShortLogLevelFromSwitch(size ? 1 : 0, first);
    if (wide < 1 || wide > 3 || shortLevel < 0 || shortLevel > 9) std::abort();

    OsFacts os;
    os.platformId = facts & 3;
    os.major = (facts >> 2) & 15;
    os.minor = (facts >> 6) & 127;
    os.build = ls;
    os.hasExtended = facts & 0x10000;
    os.productType = (facts >> 17) & 3;
    os.suiteMask = ms;
    os.hasHotfixQ246009 = facts & 0x80000;
    os.servicePack.assign(reinterpret_cast<const char*>(data), size);
    os.registryProductType = os.servicePack.substr(0, 8);
    if (DescribeWindows(os).size() > 259) std::abort();
    return 0;
}
