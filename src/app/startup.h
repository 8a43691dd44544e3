// Start-up without a toolkit: command line, version check, registration. CVantelApp runs
// it with the real message box and dialog; tests run it with their own host.
#pragma once
#include <ostream>
#include <string>
#include <vector>

class CRegPair;

namespace vantel {

class CVantelCmdLine {
public:
    virtual ~CVantelCmdLine() = default;
    // One argument; a switch arrives without its leading "/" or "-".
    virtual void ParseParam(const std::wstring& param, bool isFlag, bool isLast);

    bool m_bRegServer = false;
    bool m_bUnregServer = false;
};

// The framework's ParseCommandLine: every argument after the program name, in order.
void ParseCommandLine(const std::vector<std::wstring>& args, CVantelCmdLine& cmdLine);

// What start-up needs from its surroundings.
class IStartupHost {
public:
    virtual ~IStartupHost() = default;
    virtual bool BaseInitInstance() { return true; }
    virtual std::wstring ExecutablePath();
    virtual std::wstring CurrentDirectory();
    // The application-wide message box, OK only.
    virtual void AfxMessageBox(const std::wstring& text) = 0;
    // Constructs the main dialog, runs it modally and destroys it.
    virtual void RunMainDialog() = 0;
};

inline constexpr wchar_t kAppPairName[] = L"Plexa.Vantel";
inline constexpr wchar_t kAppPathsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Vantel.exe";
inline constexpr wchar_t kRegistryError[] = L"Error accessing Registry";
// Another program holds the user or machine store locked past the bounded wait.
inline constexpr wchar_t kRegistryBusy[] = L"Registry busy: locked by another program\nTry again later";
inline constexpr wchar_t kOleInitFailed[] = L"OLE Initialisierung fehlgeschlagen";

bool RegisterServer(IStartupHost& host, CRegPair& appPair, const std::wstring& fileVersion);
bool UnregisterServer(CRegPair& appPair);

// True when the "Path" list (entries separated by ";") holds dir as a whole entry.
bool PathListContains(const std::wstring& list, const std::wstring& dir);

// The outcome of one run.
enum class StartupOutcome { BaseInitFailed, Registered, Unregistered, NotRegistered, RegistryBusy, OleFailed, DialogRun };

// InitInstance's steps; args are the command-line arguments after the program name.
StartupOutcome RunStartup(IStartupHost& host, CRegPair& appPair, const std::vector<std::wstring>& args);

// Start-up when no display can be opened: registration shows no window, so it runs, and
// what it would show in a box goes to err; the console itself cannot start. Returns the
// exit status: 0, or 1 when a message was written.
int RunStartupWithoutDisplay(CRegPair& appPair, const std::vector<std::wstring>& args, std::ostream& err);

}  // namespace vantel
