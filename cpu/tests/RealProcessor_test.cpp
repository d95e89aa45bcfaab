// Identification of the machine the tests run on.
#include <gtest/gtest.h>

#include <cstring>
#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include "CpuIdentification.h"

namespace {

#if defined(__i386__) || defined(__x86_64__)

TEST(RealProcessor, HasCpuidAndIdentifiesConsistently) {
    ASSERT_TRUE(HasCpuid());
    ProcessorRecord record;
    std::memset(&record, 0xA5, sizeof record);
    const std::uint32_t detected = IdentifyProcessor(&record);
    EXPECT_EQ(detected, IdentifyProcessor(nullptr));
    EXPECT_EQ(detected, record.detectedFeatures);
    EXPECT_EQ(0u, record.usableFeatures & ~record.detectedFeatures);
    EXPECT_EQ(15u, record.checkedFeatures);
    EXPECT_EQ(12u, std::strlen(record.vendor));
    EXPECT_GT(std::strlen(record.modelName), 0u);
    EXPECT_LE(std::strlen(record.modelName), 30u);
}

TEST(RealProcessor, EveryReportedSseAndMmxProbeSucceeds) {
    // Every operating system this runs on enables MMX, SSE and SSE2 state.
    ProcessorRecord record;
    IdentifyProcessor(&record);
    const std::uint32_t simd = FeatureMMX | FeatureSSE | FeatureSSE2;
    EXPECT_EQ(record.detectedFeatures & simd, record.usableFeatures & simd);
    for (std::uint32_t feature : {FeatureMMX, FeatureSSE, FeatureSSE2}) {
        if (record.detectedFeatures & feature) {
            EXPECT_TRUE(ProbeFeature(feature)) << feature;
        }
    }
}

// What this test reads of CPUID itself, by the processor manuals' layout:
// identification must agree with it on any host. (The kernel's text does
// not always: a hypervisor may answer CPUID with a brand of its own.)
struct OwnReading {
    char vendor[13] = {};
    std::uint32_t signature = 0, features = 0, extendedFeatures = 0;
    char brand[49] = {};
};

OwnReading ReadCpuid() {
    OwnReading r;
    unsigned a, b, c, d;
    __cpuid(0, a, b, c, d);
    std::memcpy(r.vendor, &b, 4);
    std::memcpy(r.vendor + 4, &d, 4);
    std::memcpy(r.vendor + 8, &c, 4);
    __cpuid(1, r.signature, b, c, r.features);
    __cpuid(0x80000000u, a, b, c, d);
    const unsigned maxExtended = a;
    if (maxExtended >= 0x80000001u)
        __cpuid(0x80000001u, a, b, c, r.extendedFeatures);
    for (unsigned leaf = 0x80000002u; maxExtended >= 0x80000004u && leaf <= 0x80000004u; ++leaf) {
        unsigned words[4];
        __cpuid(leaf, words[0], words[1], words[2], words[3]);
        std::memcpy(r.brand + 16 * (leaf - 0x80000002u), words, 16);
    }
    return r;
}

TEST(RealProcessor, AgreesWithItsOwnCpuidReading) {
    const OwnReading own = ReadCpuid();
    ProcessorRecord record;
    std::memset(&record, 0, sizeof record);
    IdentifyProcessor(&record);

    EXPECT_STREQ(own.vendor, record.vendor);
    EXPECT_EQ(static_cast<int>((own.signature >> 8) & 0xF), record.family);
    EXPECT_EQ(static_cast<int>((own.signature >> 4) & 0xF), record.model);
    EXPECT_EQ(static_cast<int>(own.signature & 0xF), record.stepping);

    const struct {
        const char* name;
        std::uint32_t feature;
        bool reported;
    } kFlags[] = {{"mmx", FeatureMMX, ((own.features >> 23) & 1) != 0},
                  {"sse", FeatureSSE, ((own.features >> 25) & 1) != 0},
                  {"sse2", FeatureSSE2, ((own.features >> 26) & 1) != 0},
                  {"3dnow", Feature3DNow, ((own.extendedFeatures >> 31) & 1) != 0}};
    for (const auto& f : kFlags)
        EXPECT_EQ(f.reported, (record.detectedFeatures & f.feature) != 0) << f.name;

    // A signature with extended fields is named by its brand string.
    if (((own.signature >> 16) & 0xFFF) != 0) {
        char expected[31];
        ComposeBrandName(own.brand, 48, expected);
        EXPECT_STREQ(expected, record.modelName);
    }
}

#endif

}  // namespace
