// A processor played by a test: CPUID answers from a few recorded values and
// probes that succeed unless told to fault. Records every leaf queried and
// every feature probed, in order.
#pragma once

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "CpuIdentification.h"

class FakeProcessor : public CpuidSource, public ProbeRunner {
public:
    bool hasCpuid = true;
    std::string vendor = "GenuineIntel";
    std::uint32_t signature = 0;
    std::uint32_t features = 0;       // leaf 1 EDX
    std::uint32_t maxExtended = 0;    // leaf 0x80000000 EAX
    std::uint32_t extendedFeatures = 0;  // leaf 0x80000001 EDX
    std::string brand;                // leaves 0x80000002-4, NUL-padded
    std::set<std::uint32_t> faulting; // features whose probe faults

    std::vector<std::uint32_t> leaves;
    std::vector<std::uint32_t> probed;

    bool Available() override { return hasCpuid; }

    CpuidRegisters Query(std::uint32_t leaf) override {
        leaves.push_back(leaf);
        CpuidRegisters r = {0, 0, 0, 0};
        if (leaf == 0) {
            char text[12] = {};
            std::memcpy(text, vendor.data(), vendor.size() < 12 ? vendor.size() : 12);
            std::memcpy(&r.ebx, text, 4);
            std::memcpy(&r.edx, text + 4, 4);
            std::memcpy(&r.ecx, text + 8, 4);
            r.eax = 13;
        } else if (leaf == 1) {
            r.eax = signature;
            r.edx = features;
        } else if (leaf == 0x80000000u) {
            r.eax = maxExtended;
        } else if (leaf == 0x80000001u) {
            r.edx = extendedFeatures;
        } else if (leaf >= 0x80000002u && leaf <= 0x80000004u) {
            char text[48] = {};
            std::memcpy(text, brand.data(), brand.size() < 48 ? brand.size() : 48);
            const char* part = text + 16 * (leaf - 0x80000002u);
            std::memcpy(&r.eax, part, 4);
            std::memcpy(&r.ebx, part + 4, 4);
            std::memcpy(&r.ecx, part + 8, 4);
            std::memcpy(&r.edx, part + 12, 4);
        }
        return r;
    }

    bool Probe(std::uint32_t feature) override {
        probed.push_back(feature);
        return faulting.count(feature) == 0;
    }

    std::uint32_t Identify(ProcessorRecord* record) {
        return IdentifyProcessor(record, *this, *this);
    }
};

// Leaf 1 EDX bits of the extensions.
const std::uint32_t kEdxMmx = 1u << 23;
const std::uint32_t kEdxSse = 1u << 25;
const std::uint32_t kEdxSse2 = 1u << 26;
const std::uint32_t kExtEdx3DNow = 1u << 31;
