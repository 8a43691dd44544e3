#include "app/startup.h"

#include <cwctype>
#include <vector>

#include <fmt/xchar.h>

#include "platform/ole.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/version.h"

namespace vantel {

void CVantelCmdLine::ParseParam(const std::wstring& param, bool isFlag, bool /*isLast*/) {
    if (isFlag) {
        std::wstring upper = param;
        for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
        if (upper == L"REGSERVER") {
            m_bRegServer = true;
            return;
        }
        if (upper == L"UNREGSERVER") {
            m_bUnregServer = true;
            return;
        }
    }
    // Everything else would go to the framework, which records nothing the console uses.
}

void ParseCommandLine(const std::vector<std::wstring>& args, CVantelCmdLine& cmdLine) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        const bool isFlag = !a.empty() && (a[0] == L'/' || a[0] == L'-');
        cmdLine.ParseParam(isFlag ? a.substr(1) : a, isFlag, i + 1 == args.size());
    }
}

std::wstring IStartupHost::ExecutablePath() {
    wchar_t path[1024];
    const DWORD n = GetModuleFileNameW(nullptr, path, 1024);
    return std::wstring(path, n);
}

std::wstring IStartupHost::CurrentDirectory() {
    wchar_t dir[1024];
    const DWORD n = GetCurrentDirectoryW(1024, dir);
    return std::wstring(dir, n);
}

bool PathListContains(const std::wstring& list, const std::wstring& dir) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = list.find(L';', start);
        if (list.compare(start, end == std::wstring::npos ? std::wstring::npos : end - start, dir) == 0) return true;
        if (end == std::wstring::npos) return false;
        start = end + 1;
    }
}

namespace {

bool WriteAppPaths(const std::wstring& exePath, const std::wstring& currentDir) {
    CRegItem item(HKEY_LOCAL_MACHINE, kAppPathsKey, false);
    bool ok = item.SetValue(L"", exePath);
    if (ok) {
        std::wstring path;
        if (item.GetValue(L"Path", path)) {
            // Whole entries only: a parent of a listed folder is a folder of its own.
            if (!PathListContains(path, currentDir)) ok = item.SetValue(L"Path", path + L";" + currentDir);
        } else {
            ok = item.SetValue(L"Path", currentDir);
        }
    }
    item.Close();
    return ok;
}

}  // namespace

bool RegisterServer(IStartupHost& host, CRegPair& appPair, const std::wstring& fileVersion) {
    const std::wstring exePath = host.ExecutablePath();
    const std::wstring currentDir = host.CurrentDirectory();
    const bool ok = appPair.SetValue(L"", fileVersion, true, false) &&
                    appPair.SetValue(L"AppName", exePath, true, false) && WriteAppPaths(exePath, currentDir);
    if (!ok) host.AfxMessageBox(reg::LastStatus() == reg::Status::Busy ? kRegistryBusy : kRegistryError);
    COleObjectFactory::UpdateRegistryAll(true);
    return ok;
}

bool UnregisterServer(CRegPair& appPair) {
    appPair.DeleteValue(L"", false, false);
    appPair.DeleteValue(L"AppName", false, false);
    COleObjectFactory::UpdateRegistryAll(false);
    return true;
}

StartupOutcome RunStartup(IStartupHost& host, CRegPair& appPair, const std::vector<std::wstring>& args) {
    if (!host.BaseInitInstance()) return StartupOutcome::BaseInitFailed;

    CVantelCmdLine cmdLine;
    ParseCommandLine(args, cmdLine);

    std::wstring internalName, fileVersion;
    ReadVersionInfo(host.ExecutablePath(), internalName, fileVersion);

    if (cmdLine.m_bRegServer) {
        RegisterServer(host, appPair, fileVersion);
        return StartupOutcome::Registered;
    }
    if (cmdLine.m_bUnregServer) {
        UnregisterServer(appPair);
        return StartupOutcome::Unregistered;
    }

    std::wstring registered;
    const bool found = appPair.GetValue(L"", registered, false, false);
    if (!found && reg::LastStatus() == reg::Status::Busy) {
        host.AfxMessageBox(kRegistryBusy);
        return StartupOutcome::RegistryBusy;
    }
    if (!found || registered != fileVersion) {
        host.AfxMessageBox(fmt::format(L"{} Version {} not registered\nStart {} with Option /RegServer", internalName,
                                       fileVersion, internalName));
        return StartupOutcome::NotRegistered;
    }

    if (!AfxOleInit()) {
        host.AfxMessageBox(kOleInitFailed);
        return StartupOutcome::OleFailed;
    }
    host.RunMainDialog();
    return StartupOutcome::DialogRun;
}

namespace {

class StreamStartupHost final : public IStartupHost {
public:
    explicit StreamStartupHost(std::ostream& err) : m_err(err) {}
    void AfxMessageBox(const std::wstring& text) override {
        m_err << "vantel: " << ToUtf8(text) << '\n';
        ++messages;
    }
    void RunMainDialog() override {}

    int messages = 0;

private:
    std::ostream& m_err;
};

}  // namespace

int RunStartupWithoutDisplay(CRegPair& appPair, const std::vector<std::wstring>& args, std::ostream& err) {
    CVantelCmdLine cmdLine;
    ParseCommandLine(args, cmdLine);
    if (!cmdLine.m_bRegServer && !cmdLine.m_bUnregServer) {
        err << "vantel: no display to show the console on (set DISPLAY or WAYLAND_DISPLAY); "
               "only /RegServer and /UnregServer run without one\n";
        return 1;
    }
    StreamStartupHost host(err);
    RunStartup(host, appPair, args);
    // Every box of registration reports a failure.
    return host.messages == 0 ? 0 : 1;
}

}  // namespace vantel
