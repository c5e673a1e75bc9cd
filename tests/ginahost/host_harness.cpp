#include "host_harness.h"

#include "scoped.h"
#include "ui_driver.h"

const wchar_t kFixtureGina[] = L"fixture_gina.dll";
const wchar_t kFixtureGinaNoStatus[] = L"fixture_gina_nostatus.dll";

HostOptions FixtureHostOptions(const wchar_t* gina)
{
    HostOptions options;
    options.ginaPath = ExeDirW() + gina;
    options.traceToStdout = false;
    return options;
}

namespace {
// True when the parts of `pattern` between '*'s occur in `line` in order.
bool Matches(const std::string& line, const std::string& pattern)
{
    size_t at = 0, start = 0;
    for (;;) {
        size_t star = pattern.find('*', start);
        std::string part = pattern.substr(start, star == std::string::npos ? std::string::npos : star - start);
        at = line.find(part, at);
        if (at == std::string::npos) return false;
        at += part.size();
        if (star == std::string::npos) return true;
        start = star + 1;
    }
}
}  // namespace

testing::AssertionResult LinesInOrder(const std::vector<std::string>& lines,
                                      std::initializer_list<std::string> expected)
{
    size_t at = 0;
    for (const std::string& pattern : expected) {
        while (at < lines.size() && !Matches(lines[at], pattern)) ++at;
        if (at == lines.size()) return testing::AssertionFailure() << "missing (in this order): " << pattern;
        ++at;
    }
    return testing::AssertionSuccess();
}

bool AnyLineContains(const std::vector<std::string>& lines, const std::string& text)
{
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line)
{
    for (const std::string& candidate : lines)
        if (candidate == line) return true;
    return false;
}

void GinaHostTest::TearDown()
{
    if (HasFailure() && host_) {
        std::string report = "host trace:\n";
        for (const std::string& line : host_->TraceLines()) report += "  " + line + "\n";
        report += "fixture journal:\n";
        for (const std::string& line : Journal()) report += "  " + line + "\n";
        report += "windows:\n" + ui::DescribeWindows();
        std::printf("%s", report.c_str());
    }
    host_.reset();
}

bool GinaHostTest::StartHost(HostOptions options)
{
    gina_ = options.ginaPath.substr(options.ginaPath.find_last_of(L"\\/") + 1);
    host_.reset(new CWinlogonHost(options));
    return host_->Start();
}

bool GinaHostTest::InitializeHereOnly(HostOptions options)
{
    gina_ = options.ginaPath.substr(options.ginaPath.find_last_of(L"\\/") + 1);
    host_.reset(new CWinlogonHost(options));
    return host_->Load() && host_->Negotiate() && host_->Initialize();
}

std::vector<std::string> GinaHostTest::Journal() const
{
    std::vector<std::string> lines;
    HMODULE gina = GetModuleHandleW(gina_.c_str());
    auto read = reinterpret_cast<DWORD(WINAPI*)(char*, DWORD)>(
        reinterpret_cast<void*>(gina ? GetProcAddress(gina, "FixtureReadJournal") : nullptr));
    if (!read) return lines;
    std::string text;
    for (;;) {  // the GINA may write more between sizing and reading
        text.assign(read(nullptr, 0) + 256, '\0');
        DWORD needed = read(&text[0], (DWORD)text.size());
        if (needed <= text.size()) {
            text.resize(needed - 1);
            break;
        }
    }
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

bool GinaHostTest::WaitForJournal(const std::string& text, DWORD timeoutMs) const
{
    DWORD start = GetTickCount();
    while (!AnyLineContains(Journal(), text)) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

bool GinaHostTest::PostAndWait(const std::string& commands, HostState state)
{
    host_->Post(commands);
    return host_->WaitForState(state, kWaitMs);
}
