// Points the registry stores at a fresh folder for the life of a test.
#pragma once
#include <cstdlib>
#include <functional>
#include <vector>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "platform/registry.h"

namespace vantel::test {

class TempStores {
public:
    TempStores() {
        char tmpl[] = "/tmp/vantel-test-XXXXXX";
        m_dir = mkdtemp(tmpl);
        Save("VANTEL_REGISTRY", m_oldUser);
        Save("VANTEL_MACHINE_REGISTRY", m_oldMachine);
        setenv("VANTEL_REGISTRY", UserStore().c_str(), 1);
        setenv("VANTEL_MACHINE_REGISTRY", MachineStore().c_str(), 1);
    }
    ~TempStores() {
        Restore("VANTEL_REGISTRY", m_oldUser);
        Restore("VANTEL_MACHINE_REGISTRY", m_oldMachine);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::string UserStore() const { return m_dir + "/user.db"; }
    std::string MachineStore() const { return m_dir + "/machine.db"; }
    const std::string& Dir() const { return m_dir; }

private:
    static void Save(const char* name, std::string& out) {
        const char* v = std::getenv(name);
        out = v ? std::string(1, '=') + v : std::string();
    }
    static void Restore(const char* name, const std::string& saved) {
        if (saved.empty()) {
            unsetenv(name);
        } else {
            setenv(name, saved.c_str() + 1, 1);
        }
    }
    std::string m_dir, m_oldUser, m_oldMachine;
};

// Forks n children that wait on one gate, then run child(i) together and exit with what it
// returns; the caller waits for the pids. Nothing of a store should be open before the fork.
inline std::vector<pid_t> StartTogether(int n, const std::function<int(int)>& child) {
    int gate[2];
    if (::pipe(gate) != 0) return {};
    std::vector<pid_t> children;
    for (int i = 0; i < n; ++i) {
        const pid_t pid = ::fork();
        if (pid < 0) break;
        if (pid == 0) {
            ::close(gate[1]);
            char byte;
            while (::read(gate[0], &byte, 1) > 0) {
            }
            ::_exit(child(i));
        }
        children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    return children;
}

// A value as the store holds it, or "<untouched>" when the read leaves it alone.
inline std::wstring ValueOf(CRegPair& pair, const std::wstring& name) {
    std::wstring data = L"<untouched>";
    pair.GetValue(name, data);
    return data;
}

}  // namespace vantel::test
