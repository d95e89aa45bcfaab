#include "CpuIdentification.h"

#include "FaultGuard.h"

#include <cstring>
#include <string>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define PYROLUX_X86 1
#endif

namespace {

const std::uint32_t kExtendedBase = 0x80000000u;
const std::uint32_t kExtendedFeatures = 0x80000001u;
const std::uint32_t kBrandFirst = 0x80000002u;
const std::uint32_t kBrandLast = 0x80000004u;

class RealCpuidSource : public CpuidSource {
public:
    bool Available() override { return HasCpuid(); }
    // Kept out of line: the binary check allows CPUID outside the fault
    // guard in this one function only (it runs after the guarded probe).
    __attribute__((noinline)) CpuidRegisters Query(std::uint32_t leaf) override {
        CpuidRegisters r = {0, 0, 0, 0};
#if defined(PYROLUX_X86)
        __cpuid_count(leaf, 0, r.eax, r.ebx, r.ecx, r.edx);
#else
        (void)leaf;
#endif
        return r;
    }
};

class RealProbeRunner : public ProbeRunner {
public:
    bool Probe(std::uint32_t feature) override { return ProbeFeature(feature); }
};

void StoreRegister(char* out, std::uint32_t value) {
    // CPUID text is the registers' bytes in memory order (little-endian).
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool IsBlank(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u == ' ' || u < 0x20 || u == 0x7F;
}

// The brand-string name, or "Unknown" when the processor has no brand string.
void NameFromBrand(CpuidSource& cpuid, std::uint32_t maxExtendedLeaf, char* modelName) {
    char brand[48];
    std::memset(brand, 0, sizeof brand);
    if (maxExtendedLeaf >= kBrandLast) {
        for (std::uint32_t leaf = kBrandFirst; leaf <= kBrandLast; ++leaf) {
            const CpuidRegisters r = cpuid.Query(leaf);
            char* out = brand + 16 * (leaf - kBrandFirst);
            StoreRegister(out, r.eax);
            StoreRegister(out + 4, r.ebx);
            StoreRegister(out + 8, r.ecx);
            StoreRegister(out + 12, r.edx);
        }
    }
    ComposeBrandName(brand, sizeof brand, modelName);
}

// The 12-character vendor text of leaf 0, terminated.
void ReadVendor(CpuidSource& cpuid, char* vendor) {
    const CpuidRegisters leaf0 = cpuid.Query(0);
    StoreRegister(vendor, leaf0.ebx);
    StoreRegister(vendor + 4, leaf0.edx);
    StoreRegister(vendor + 8, leaf0.ecx);
    vendor[12] = '\0';
}

// The extensions the feature words announce; those whose probe runs also
// go into `usable`.
std::uint32_t DetectExtensions(std::uint32_t features, std::uint32_t extendedFeatures,
                               ProbeRunner& probes, std::uint32_t* usable) {
    struct Extension {
        std::uint32_t feature;
        const std::uint32_t* word;
        int bit;
    };
    const Extension extensions[] = {
        {FeatureMMX, &features, 23},
        {Feature3DNow, &extendedFeatures, 31},
        {FeatureSSE, &features, 25},
        {FeatureSSE2, &features, 26},
    };
    std::uint32_t detected = 0;
    *usable = 0;
    for (const Extension& e : extensions) {
        if (((*e.word >> e.bit) & 1u) == 0)
            continue;
        detected |= e.feature;
        if (probes.Probe(e.feature))
            *usable |= e.feature;
    }
    return detected;
}

// The name table's AMD rows; nullptr where it has no entry.
const char* AmdModelName(int family, int model) {
    switch (family) {
    case 4:
        return "AMD Am486";
    case 5:
        if (model <= 3)
            return "AMD K5";
        if (model == 6 || model == 7)
            return "AMD K6";
        if (model == 8)
            return "AMD K6-2";
        if (model >= 9)
            return "AMD K6-3";
        return nullptr;  // models 4 and 5: no entry
    case 6:
        return "AMD ATHLON";
    default:
        return nullptr;  // no entry
    }
}

// The name table's Intel rows; nullptr where it has no entry.
const char* IntelModelName(int family, int model) {
    switch (family) {
    case 4:
        switch (model) {
        case 0: case 1: return "INTEL 486DX";
        case 2: return "INTEL 486SX";
        case 3: return "INTEL 486DX2";
        case 4: return "INTEL 486SL";
        case 5: return "INTEL 486SX2";
        case 7: return "INTEL 486DX2E";
        case 8: return "INTEL 486DX4";
        default: return "Unknown";
        }
    case 5:
        switch (model) {
        case 1: case 2: case 3: return "INTEL Pentium";
        case 4: return "INTEL Pentium-MMX";
        default: return "Unknown";
        }
    case 6:
        switch (model) {
        case 1: return "INTEL Pentium-Pro";
        case 3: case 5: return "INTEL Pentium-II";
        case 6: return "INTEL Celeron";
        case 7: return "INTEL Pentium-III";
        default: return "Unknown";
        }
    default:
        return nullptr;  // no entry
    }
}

}  // namespace

CpuidSource& RealCpuid() {
    static RealCpuidSource source;
    return source;
}

ProbeRunner& RealProbes() {
    static RealProbeRunner runner;
    return runner;
}

bool HasCpuid() {
    return FaultGuard::ExecuteCpuid0();
}

bool ProbeFeature(std::uint32_t feature) {
    switch (feature) {
    case FeatureMMX:
        return FaultGuard::ExecutePxorMmx();
    case FeatureSSE:
        return FaultGuard::ExecuteXorps();
    case FeatureSSE2:
        return FaultGuard::ExecuteXorpd();
    case Feature3DNow:
        return FaultGuard::ExecutePfrcp();
    default:
        return false;
    }
}

std::uint32_t IdentifyProcessor(ProcessorRecord* record) {
    return IdentifyProcessor(record, RealCpuid(), RealProbes());
}

std::uint32_t IdentifyProcessor(ProcessorRecord* record, CpuidSource& cpuid,
                                ProbeRunner& probes) {
    if (!cpuid.Available())
        return 0;

    char vendor[13];
    ReadVendor(cpuid, vendor);

    const CpuidRegisters leaf1 = cpuid.Query(1);
    const std::uint32_t signature = leaf1.eax;
    const std::uint32_t features = leaf1.edx;

    const std::uint32_t maxExtendedLeaf = cpuid.Query(kExtendedBase).eax;
    std::uint32_t extendedFeatures = 0;
    if (maxExtendedLeaf >= kExtendedBase)
        extendedFeatures = cpuid.Query(kExtendedFeatures).edx;

    std::uint32_t usable = 0;
    const std::uint32_t detected =
        DetectExtensions(features, extendedFeatures, probes, &usable);

    if (!record)
        return detected;

    std::memset(record, 0, sizeof *record);
    record->detectedFeatures = detected;
    record->model = static_cast<std::int32_t>((signature >> 4) & 0xF);
    record->family = static_cast<std::int32_t>((signature >> 8) & 0xF);
    record->stepping = static_cast<std::int32_t>(signature & 0xF);
    record->usableFeatures = usable;
    std::memcpy(record->vendor, vendor, sizeof vendor);

    // The name table knows only signatures without extended model and
    // family fields; read literally it would name today's processors after
    // 1990s parts (a family 6 model 7 with extended model 9 is no
    // Pentium III). Those, and the table's gaps, take the brand string.
    const bool extendedSignature = ((signature >> 16) & 0xFFF) != 0;
    if (!extendedSignature)
        DecodeModelName(record->family, record->model, record->vendor, record->modelName);
    if (extendedSignature || record->modelName[0] == '\0')
        NameFromBrand(cpuid, maxExtendedLeaf, record->modelName);

    record->checkedFeatures = FeatureMMX | FeatureSSE | FeatureSSE2 | Feature3DNow;
    return detected;
}

void DecodeModelName(int family, int model, const char* vendor, char* modelName) {
    const char* name = "Unknown";
    if (std::strncmp(vendor, "AuthenticAMD", 12) == 0)
        name = AmdModelName(family, model);
    else if (std::strncmp(vendor, "GenuineIntel", 12) == 0)
        name = IntelModelName(family, model);
    if (name)
        std::strcpy(modelName, name);
}

void ComposeBrandName(const char* brand, std::size_t length, char* modelName) {
    const std::size_t kMaxName = 30;
    std::string folded;
    bool blankPending = false;
    for (std::size_t i = 0; i < length && brand[i] != '\0'; ++i) {
        if (IsBlank(brand[i])) {
            blankPending = !folded.empty();
            continue;
        }
        if (blankPending)
            folded += ' ';
        blankPending = false;
        folded += brand[i];
    }
    if (folded.size() > kMaxName) {
        const std::size_t cut = folded.rfind(' ', kMaxName);
        folded.resize(cut != std::string::npos ? cut : kMaxName);
    }
    if (folded.empty())
        folded = "Unknown";
    std::memset(modelName, 0, kMaxName + 1);
    std::memcpy(modelName, folded.data(), folded.size());
}
