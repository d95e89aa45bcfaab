#include "CpuidDecode.h"

#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>
#include <vector>

namespace {

class EveryProbeSucceeds : public ProbeRunner {
public:
    bool Probe(std::uint32_t) override { return true; }
};

std::uint32_t RegisterFromText(const char* text) {
    // Bytes in memory order, as CPUID stores text (little-endian).
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(text[i])) << (8 * i);
    return value;
}

bool ParseHex(const std::string& text, std::uint32_t* value) {
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' ||
        (text[1] != 'x' && text[1] != 'X'))
        return false;
    std::uint32_t result = 0;
    for (std::size_t i = 2; i < text.size(); ++i) {
        const char c = text[i];
        std::uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            return false;
        result = (result << 4) | digit;
    }
    *value = result;
    return true;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t first = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', first);
        if (tab == std::string::npos) {
            fields.push_back(line.substr(first));
            return fields;
        }
        fields.push_back(line.substr(first, tab - first));
        first = tab + 1;
    }
}

}  // namespace

CpuidRegisters RecordedCpuid::Query(std::uint32_t leaf) {
    CpuidRegisters r = {0, 0, 0, 0};
    switch (leaf) {
    case 0: {
        const char* v = m_processor.vendor.c_str();
        r.eax = 1;
        r.ebx = RegisterFromText(v);
        r.edx = RegisterFromText(v + 4);
        r.ecx = RegisterFromText(v + 8);
        break;
    }
    case 1:
        r.eax = m_processor.leaf1Eax;
        r.edx = m_processor.leaf1Edx;
        break;
    case 0x80000000u:
        r.eax = m_processor.leaf80000000Eax;
        break;
    case 0x80000001u:
        r.edx = m_processor.leaf80000001Edx;
        break;
    case 0x80000002u:
    case 0x80000003u:
    case 0x80000004u: {
        char brand[48];
        std::memset(brand, 0, sizeof brand);
        std::memcpy(brand, m_processor.brand.data(),
                    m_processor.brand.size() < sizeof brand ? m_processor.brand.size()
                                                            : sizeof brand);
        const char* part = brand + 16 * (leaf - 0x80000002u);
        r.eax = RegisterFromText(part);
        r.ebx = RegisterFromText(part + 4);
        r.ecx = RegisterFromText(part + 8);
        r.edx = RegisterFromText(part + 12);
        break;
    }
    default:
        break;
    }
    return r;
}

bool ParseRecordedProcessor(const std::string& line, RecordedProcessor* processor,
                            std::string* error) {
    const std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() != 5 && fields.size() != 6) {
        *error = "expected 5 or 6 tab-separated fields (VENDOR, LEAF1_EAX, LEAF1_EDX, "
                 "LEAF80000000_EAX, LEAF80000001_EDX[, BRAND]), found " +
                 std::to_string(fields.size());
        return false;
    }
    RecordedProcessor parsed;
    parsed.vendor = fields[0];
    if (parsed.vendor.size() != 12) {
        *error = "VENDOR must be exactly 12 characters, found " +
                 std::to_string(parsed.vendor.size()) + " (\"" + parsed.vendor + "\")";
        return false;
    }
    static const char* const kNames[] = {"LEAF1_EAX", "LEAF1_EDX", "LEAF80000000_EAX",
                                         "LEAF80000001_EDX"};
    std::uint32_t* const targets[] = {&parsed.leaf1Eax, &parsed.leaf1Edx,
                                      &parsed.leaf80000000Eax, &parsed.leaf80000001Edx};
    for (int i = 0; i < 4; ++i) {
        if (!ParseHex(fields[static_cast<std::size_t>(i) + 1], targets[i])) {
            *error = std::string(kNames[i]) +
                     " must be a 32-bit hex value written with 0x, found \"" +
                     fields[static_cast<std::size_t>(i) + 1] + "\"";
            return false;
        }
    }
    if (fields.size() == 6) {
        parsed.brand = fields[5];
        if (parsed.brand.size() > 48) {
            *error = "BRAND must be at most 48 characters, found " +
                     std::to_string(parsed.brand.size());
            return false;
        }
    }
    *processor = parsed;
    return true;
}

std::string DecodeRecordedProcessor(const RecordedProcessor& processor) {
    RecordedCpuid cpuid(processor);
    EveryProbeSucceeds probes;
    ProcessorRecord record;
    std::memset(&record, 0, sizeof record);
    IdentifyProcessor(&record, cpuid, probes);
    std::ostringstream line;
    line << record.vendor << '\t' << record.modelName << '\t' << record.family << '\t'
         << record.model << '\t' << record.stepping << '\t' << record.detectedFeatures
         << '\t' << record.usableFeatures << '\t' << record.checkedFeatures;
    return line.str();
}

int RunCpuidDecode(std::istream& in, std::ostream& out, std::ostream& err) {
    int status = 0;
    std::string line;
    for (unsigned number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        RecordedProcessor processor;
        std::string error;
        if (!ParseRecordedProcessor(line, &processor, &error)) {
            err << "cpuid-decode: line " << number << ": " << error << '\n';
            status = 1;
            continue;
        }
        out << DecodeRecordedProcessor(processor) << '\n';
    }
    return status;
}
