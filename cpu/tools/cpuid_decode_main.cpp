// cpuid-decode: decodes recorded processors (one CPUID dump per line on
// standard input) with the program's own identification. See CpuidDecode.h.
#include <iostream>

#include "CpuidDecode.h"

int main() {
    std::ios::sync_with_stdio(false);
    return RunCpuidDecode(std::cin, std::cout, std::cerr);
}
