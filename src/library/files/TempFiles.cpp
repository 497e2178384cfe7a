#include "library/files/TempFiles.h"

#include <cstdlib>
#include <mutex>
#include <set>
#include <unistd.h>

namespace vemra::files {

namespace {

std::mutex& registryMutex()
{
    static std::mutex m;
    return m;
}

std::set<std::string>& issuedNames()
{
    static std::set<std::string> names;
    return names;
}

std::string& dataFolderOverride()
{
    static std::string folder;
    return folder;
}

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::string tempFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    if (tmp && *tmp)
        return withoutTrailingSlash(tmp);
    return "/tmp";
}

std::string issueTempName()
{
    std::string pattern = tempFolder() + "/vemra-XXXXXX.tmp";
    // mkstemps creates the file, so the name is ours until we delete it.
    const int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0)
        return {};
    ::close(fd);
    std::lock_guard lock(registryMutex());
    issuedNames().insert(pattern);
    return pattern;
}

bool isIssuedTempName(const std::string& path)
{
    std::lock_guard lock(registryMutex());
    return issuedNames().count(path) != 0;
}

bool removeTempFile(const std::string& path)
{
    std::lock_guard lock(registryMutex());
    auto it = issuedNames().find(path);
    if (it == issuedNames().end())
        return false;
    const bool removed = ::unlink(path.c_str()) == 0;
    issuedNames().erase(it);
    return removed;
}

std::string dataFolder()
{
    {
        std::lock_guard lock(registryMutex());
        if (!dataFolderOverride().empty())
            return dataFolderOverride();
    }
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg)
        return withoutTrailingSlash(xdg) + "/Vemra/Vemra";
    const char* home = std::getenv("HOME");
    return (home && *home ? withoutTrailingSlash(home) : std::string(".")) + "/.local/share/Vemra/Vemra";
}

void setDataFolder(const std::string& folder)
{
    std::lock_guard lock(registryMutex());
    dataFolderOverride() = withoutTrailingSlash(folder);
}

std::string timTemplatePath() { return dataFolder() + "/timsetup.dat"; }

} // namespace vemra::files
