// Decoding of recorded processors (CPUID dumps) through identification's
// seam, for the cpuid-decode tool and its tests.
//
// Input line: tab-separated VENDOR, LEAF1_EAX, LEAF1_EDX, LEAF80000000_EAX,
// LEAF80000001_EDX and an optional BRAND. The vendor is exactly 12
// characters (blanks allowed); registers are hex with 0x; the brand is the
// text the processor reports (at most 48 characters).
// Output line: vendor, modelName, family, model, stepping, detectedFeatures,
// usableFeatures, checkedFeatures, tab-separated, numbers in decimal.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "CpuIdentification.h"

struct RecordedProcessor {
    std::string vendor;
    std::uint32_t leaf1Eax = 0;
    std::uint32_t leaf1Edx = 0;
    std::uint32_t leaf80000000Eax = 0;
    std::uint32_t leaf80000001Edx = 0;
    std::string brand;
};

// CPUID answers of a recorded processor; leaves it does not record read 0.
class RecordedCpuid : public CpuidSource {
public:
    explicit RecordedCpuid(const RecordedProcessor& processor) : m_processor(processor) {}
    bool Available() override { return true; }
    CpuidRegisters Query(std::uint32_t leaf) override;

private:
    RecordedProcessor m_processor;
};

// Parses one input line (without its line end). On failure returns false
// and sets *error to a one-line reason.
bool ParseRecordedProcessor(const std::string& line, RecordedProcessor* processor,
                            std::string* error);

// Identifies the recorded processor with every probe succeeding and returns
// the output line (without line end).
std::string DecodeRecordedProcessor(const RecordedProcessor& processor);

// The whole tool: reads lines from `in`, writes results to `out` and one
// error per malformed line (naming its number) to `err`. Blank lines are
// skipped. Returns the exit status: 0, or 1 when any line was malformed.
int RunCpuidDecode(std::istream& in, std::ostream& out, std::ostream& err);
