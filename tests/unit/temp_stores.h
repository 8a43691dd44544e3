// Points the registry stores at a fresh folder for the life of a test.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

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

}  // namespace vantel::test
