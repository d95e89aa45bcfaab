#include "DistFiles.h"

#include <windows.h>

#include <algorithm>

namespace testsupport {

std::string WindowsPath(const std::string& hostPath)
{
    // Wine's drive Z: is the host's root directory.
    std::string path = "Z:" + hostPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string DistFile(const std::string& name)
{
    // The build passes dist/ as a host path.
    return WindowsPath(std::string(PYROLUX_DIST_DIR) + "/" + name);
}

std::vector<std::string> DistListing()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(DistFile("*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Deliverables()
{
    // The build passes the list joined by commas.
    std::vector<std::string> names(1);
    for (const char* p = PYROLUX_DELIVERABLES; *p; ++p) {
        if (*p == ',')
            names.emplace_back();
        else
            names.back() += *p;
    }
    return names;
}

std::vector<std::string> DeliveredModules()
{
    std::vector<std::string> modules;
    for (const std::string& name : Deliverables())
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dll") == 0)
            modules.push_back(name);
    return modules;
}

}  // namespace testsupport
