// The shipped binaries. Tests that run the program or load the modules take
// them from dist/, the very files a user gets, not the build tree's copies.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// The Windows path of a host path (through Wine's drive Z:).
std::string WindowsPath(const std::string& hostPath);

// Windows path of a file in dist/.
std::string DistFile(const std::string& name);

// Names of the files in dist/, sorted.
std::vector<std::string> DistListing();

// The deliverables' file names, in the order packaging/deliverables.txt
// lists them; and those of them that are libraries (the companion modules).
std::vector<std::string> Deliverables();
std::vector<std::string> DeliveredModules();

}  // namespace testsupport
