#include "support/private_dirs.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace vemra::test {
namespace {
std::string g_root;

void removeRoot()
{
    if (!g_root.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(g_root, ec);
    }
}
} // namespace

void usePrivateDirs()
{
    if (!g_root.empty())
        return;
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/vemra-test-XXXXXX";
    if (!mkdtemp(tmpl.data()))
        return;
    g_root = tmpl;
    namespace fs = std::filesystem;
    for (const char* sub : {"home", "config", "data", "runtime", "tmp"})
        fs::create_directories(fs::path(g_root) / sub);
    fs::permissions(fs::path(g_root) / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    setenv("HOME", (g_root + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (g_root + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (g_root + "/data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (g_root + "/runtime").c_str(), 1);
    setenv("TMPDIR", (g_root + "/tmp").c_str(), 1);
    std::atexit(removeRoot);
}

std::string privateRoot() { return g_root; }
} // namespace vemra::test
