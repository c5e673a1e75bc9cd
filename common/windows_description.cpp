#include "windows_description.h"

#include <cstdio>

namespace {
const unsigned kSuiteEnterprise = 0x0002, kSuiteDatacenter = 0x0080, kSuitePersonal = 0x0200,
               kSuiteBlade = 0x0400;
const unsigned kNtWorkstation = 1;

std::string NtProductName(const OsFacts& os)
{
    if (os.major == 6 && os.minor == 0) return "Microsoft Windows Vista ";
    if (os.major == 5 && os.minor == 2) return "Microsoft Windows Server 2003 family, ";
    if (os.major == 5 && os.minor == 1) return "Microsoft Windows XP ";
    if (os.major == 5 && os.minor == 0) return "Microsoft Windows 2000 ";
    if (os.major <= 4) return "Microsoft Windows NT ";
    return "";
}

std::string NtEdition(const OsFacts& os)
{
    if (os.hasExtended) {
        if (os.productType == kNtWorkstation) {
            if (os.major == 4) return "Workstation 4.0 ";
            return (os.suiteMask & kSuitePersonal) ? "Home Edition " : "Professional ";
        }
        if (os.major == 5 && os.minor == 2) {
            if (os.suiteMask & kSuiteDatacenter) return "Datacenter Edition ";
            if (os.suiteMask & kSuiteEnterprise) return "Enterprise Edition ";
            if (os.suiteMask & kSuiteBlade) return "Web Edition ";
            return "Standard Edition ";
        }
        if (os.major == 5 && os.minor == 0) {
            if (os.suiteMask & kSuiteDatacenter) return "Datacenter Server ";
            if (os.suiteMask & kSuiteEnterprise) return "Advanced Server ";
            return "Server ";
        }
        return (os.suiteMask & kSuiteEnterprise) ? "Server 4.0, Enterprise Edition " : "Server 4.0 ";
    }
    std::string text;
    if (os.registryProductType == "WINNT") text = "Workstation ";
    else if (os.registryProductType == "LANMANNT") text = "Server ";
    else if (os.registryProductType == "SERVERNT") text = "Advanced Server ";
    char version[32];
    std::snprintf(version, sizeof version, "%u.%u ", os.major, os.minor);
    return text + version;
}
}  // namespace

std::string DescribeWindows(const OsFacts& os)
{
    std::string text;
    char buf[300];
    if (os.platformId == 0) {
        text = "Microsoft Win32s";
    } else if (os.platformId == 1) {
        const char second = os.servicePack.size() > 1 ? os.servicePack[1] : '\0';
        if (os.major == 4 && os.minor == 0) {
            text = "Microsoft Windows 95 ";
            if (second == 'B' || second == 'C') text += "OSR2 ";
        } else if (os.major == 4 && os.minor == 10) {
            text = "Microsoft Windows 98 ";
            if (second == 'A') text += "SE ";
        } else if (os.major == 4 && os.minor == 90) {
            text = "Microsoft Windows Millennium Edition";
        }
    } else if (os.platformId == 2) {
        text = NtProductName(os) + NtEdition(os);
        const unsigned build = os.build & 0xFFFF;
        if (os.major == 4 && os.servicePack == "Service Pack 6" && os.hasHotfixQ246009)
            std::snprintf(buf, sizeof buf, "Service Pack 6a (Build %u)\n", build);
        else
            std::snprintf(buf, sizeof buf, "%s (Build %u)", os.servicePack.c_str(), build);
        text += buf;
    }
    if (text.size() > 259) text.resize(259);
    return text;
}
