// Processor identification: vendor, signature, model name and the
// instruction-set extensions the processor reports (CPUID) and the operating
// system lets programs use (one probe instruction each, fault-guarded).
//
// Identification keeps no state; every call asks the processor again. The
// processor is reached through two small interfaces so tests can play any
// processor: CpuidSource (the CPUID results) and ProbeRunner (the probe
// instructions). The overloads without them use the real processor.
#pragma once

#include <cstddef>
#include <cstdint>

struct ProcessorRecord {
    char vendor[13];       // CPUID leaf 0 vendor identification, NUL-terminated
    char modelName[31];    // NUL-terminated model name
    std::int32_t family;   // signature bits 8-11
    std::int32_t model;    // signature bits 4-7
    std::int32_t stepping; // signature bits 0-3
    std::uint32_t detectedFeatures;  // extensions CPUID reports
    std::uint32_t usableFeatures;    // those whose probe completed
    std::uint32_t checkedFeatures;   // the bits identification examines: 15
};

const std::uint32_t FeatureMMX = 1;
const std::uint32_t FeatureSSE = 2;
const std::uint32_t FeatureSSE2 = 4;
const std::uint32_t Feature3DNow = 8;

struct CpuidRegisters {
    std::uint32_t eax, ebx, ecx, edx;
};

// Where CPUID results come from.
class CpuidSource {
public:
    virtual ~CpuidSource() = default;
    // True when CPUID with leaf 0 completes.
    virtual bool Available() = 0;
    // The registers CPUID returns for `leaf` (sub-leaf 0).
    virtual CpuidRegisters Query(std::uint32_t leaf) = 0;
};

// Who executes the probe instruction of one feature.
class ProbeRunner {
public:
    virtual ~ProbeRunner() = default;
    // True when the feature's probe instruction completed without a fault.
    virtual bool Probe(std::uint32_t feature) = 0;
};

// The real processor (HasCpuid, CPUID, ProbeFeature).
CpuidSource& RealCpuid();
ProbeRunner& RealProbes();

// Identifies the processor. Returns the detected feature set, or 0 without
// CPUID (the record is then left untouched). With a null record the queries
// and probes still run and only the set is returned.
std::uint32_t IdentifyProcessor(ProcessorRecord* record);
std::uint32_t IdentifyProcessor(ProcessorRecord* record, CpuidSource& cpuid,
                                ProbeRunner& probes);

// True when CPUID with leaf 0 executes without a fault.
bool HasCpuid();

// Executes the probe instruction of one feature (FeatureMMX, FeatureSSE,
// FeatureSSE2, Feature3DNow) under a fault guard; false on any fault and for
// any other value.
bool ProbeFeature(std::uint32_t feature);

// Writes the name table's entry for (vendor, family, model) into modelName
// (at least 18 characters). Writes nothing for the combinations the table
// does not name (AMD family 5 models 4-5, AMD or Intel families other than
// 4, 5 and 6); every other vendor gets "Unknown".
void DecodeModelName(int family, int model, const char* vendor, char* modelName);

// The model name of a processor the table does not cover, from the brand
// string of CPUID leaves 0x80000002-0x80000004 (`length` bytes, NUL ends it
// early): blanks (and control characters) trimmed, runs of them folded to one
// blank, cut to at most 30 characters at a word boundary where possible;
// "Unknown" when nothing is left. modelName must hold 31 characters.
void ComposeBrandName(const char* brand, std::size_t length, char* modelName);
