#include "gina_bench.h"

const char kGinaLogPath[] = "C:\\ov_ln1.log";

void GinaTest::SetUp()
{
    // An empty switch file: level 3. It must exist before the GINA is loaded.
    logSwitch_.reset(new ScopedFile(kGinaLogPath, ""));
}

void GinaTest::TearDown()
{
    if (HasFailure()) {
        std::printf("---- host trace ----\n%s\n---- GINA log ----\n%s\n", Trace().c_str(), GinaLog().c_str());
    }
    UnloadGina();
    logSwitch_.reset();
}

HostOptions GinaTest::Options() const
{
    HostOptions options;
    options.ginaPath = ExeDirW() + L"ov_gina.dll";
    options.traceToStdout = false;
    return options;
}

bool GinaTest::InitializeHere(HostOptions options)
{
    host_.reset(new CWinlogonHost(options));
    return host_->Load() && host_->Negotiate() && host_->Initialize();
}

bool GinaTest::StartHost()
{
    host_.reset(new CWinlogonHost(Options()));
    return host_->Start();
}

void GinaTest::UnloadGina()
{
    if (host_) {
        host_->Post("quit");
        host_->Join(kWaitMs);
    }
    host_.reset();
}

FARPROC GinaTest::Export(const char* name)
{
    HMODULE gina = GetModuleHandleW(L"ov_gina.dll");
    return gina ? GetProcAddress(gina, name) : nullptr;
}

std::string GinaTest::Trace() const
{
    std::string text;
    if (host_)
        for (const std::string& line : host_->TraceLines()) text += line + "\n";
    return text;
}
