#include "DistFiles.h"

#include <windows.h>

#include <algorithm>

namespace testsupport {

std::string DistFile(const std::string& name)
{
    // The build passes dist/ as a host path; Wine's drive Z: is the host's
    // root directory.
    std::string path = std::string("Z:") + PYROLUX_DIST_DIR + "/" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
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

}  // namespace testsupport
