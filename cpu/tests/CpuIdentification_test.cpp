#include <gtest/gtest.h>

#include <cstring>

#include "FakeProcessor.h"

namespace {

using Leaves = std::vector<std::uint32_t>;

ProcessorRecord MarkedRecord() {
    ProcessorRecord record;
    std::memset(&record, 0xA5, sizeof record);
    return record;
}

TEST(IdentifyProcessor, WithoutCpuidReturnsZeroAndLeavesRecordUntouched) {
    FakeProcessor cpu;
    cpu.hasCpuid = false;
    cpu.features = kEdxMmx | kEdxSse;
    ProcessorRecord record = MarkedRecord();
    const ProcessorRecord before = record;

    EXPECT_EQ(0u, cpu.Identify(&record));
    EXPECT_EQ(0, std::memcmp(&before, &record, sizeof record));
    EXPECT_TRUE(cpu.leaves.empty());
    EXPECT_TRUE(cpu.probed.empty());
}

TEST(IdentifyProcessor, NullRecordGivesSameSetAndStillProbes) {
    FakeProcessor withRecord, withoutRecord;
    for (FakeProcessor* cpu : {&withRecord, &withoutRecord}) {
        cpu->signature = 0x00000672;
        cpu->features = kEdxMmx | kEdxSse;
        cpu->maxExtended = 0x80000001u;
        cpu->extendedFeatures = kExtEdx3DNow;
    }
    ProcessorRecord record;
    const std::uint32_t expected = withRecord.Identify(&record);
    EXPECT_EQ(FeatureMMX | FeatureSSE | Feature3DNow, expected);
    EXPECT_EQ(expected, withoutRecord.Identify(nullptr));
    EXPECT_EQ(withRecord.probed, withoutRecord.probed);
    EXPECT_EQ(3u, withoutRecord.probed.size());
}

TEST(IdentifyProcessor, ReportedButFaultingSseIsDetectedNotUsable) {
    FakeProcessor cpu;
    cpu.signature = 0x00000672;
    cpu.features = kEdxMmx | kEdxSse;
    cpu.faulting = {FeatureSSE};
    ProcessorRecord record;
    EXPECT_EQ(FeatureMMX | FeatureSSE, cpu.Identify(&record));
    EXPECT_EQ(FeatureMMX | FeatureSSE, record.detectedFeatures);
    EXPECT_EQ(FeatureMMX, record.usableFeatures);
}

TEST(IdentifyProcessor, ProbesInOrderMmx3DNowSseSse2) {
    FakeProcessor cpu;
    cpu.features = kEdxMmx | kEdxSse | kEdxSse2;
    cpu.maxExtended = 0x80000008u;
    cpu.extendedFeatures = kExtEdx3DNow;
    cpu.Identify(nullptr);
    EXPECT_EQ(Leaves({FeatureMMX, Feature3DNow, FeatureSSE, FeatureSSE2}), cpu.probed);
}

TEST(IdentifyProcessor, UnreportedExtensionsAreNeverProbed) {
    FakeProcessor cpu;
    cpu.features = kEdxSse2;  // SSE2 alone, nothing else reported
    cpu.maxExtended = 0x80000001u;
    cpu.extendedFeatures = ~kExtEdx3DNow;  // every other bit set
    ProcessorRecord record;
    EXPECT_EQ(FeatureSSE2, cpu.Identify(&record));
    EXPECT_EQ(Leaves({FeatureSSE2}), cpu.probed);
    EXPECT_EQ(FeatureSSE2, record.usableFeatures);
}

TEST(IdentifyProcessor, AllProbesFaultingLeavesUsableEmpty) {
    FakeProcessor cpu;
    cpu.features = kEdxMmx | kEdxSse | kEdxSse2;
    cpu.maxExtended = 0x80000001u;
    cpu.extendedFeatures = kExtEdx3DNow;
    cpu.faulting = {FeatureMMX, FeatureSSE, FeatureSSE2, Feature3DNow};
    ProcessorRecord record;
    EXPECT_EQ(15u, cpu.Identify(&record));
    EXPECT_EQ(0u, record.usableFeatures);
}

TEST(IdentifyProcessor, LeafOrderWithExtendedLeafExactlyAtBase) {
    FakeProcessor cpu;
    cpu.signature = 0x00000543;
    cpu.maxExtended = 0x80000000u;
    cpu.extendedFeatures = kExtEdx3DNow;
    EXPECT_EQ(Feature3DNow, cpu.Identify(nullptr));
    EXPECT_EQ(Leaves({0u, 1u, 0x80000000u, 0x80000001u}), cpu.leaves);
}

TEST(IdentifyProcessor, ExtendedLeafComparedUnsigned) {
    FakeProcessor high;
    high.maxExtended = 0xFFFFFFFFu;  // negative if taken signed
    high.extendedFeatures = kExtEdx3DNow;
    EXPECT_EQ(Feature3DNow, high.Identify(nullptr));
    EXPECT_EQ(Leaves({0u, 1u, 0x80000000u, 0x80000001u}), high.leaves);

    FakeProcessor below;
    below.maxExtended = 0x7FFFFFFFu;
    below.extendedFeatures = kExtEdx3DNow;
    EXPECT_EQ(0u, below.Identify(nullptr));
    EXPECT_EQ(Leaves({0u, 1u, 0x80000000u}), below.leaves);
}

TEST(IdentifyProcessor, RecordClearedWholeThenFilled) {
    FakeProcessor cpu;
    cpu.vendor = "AuthenticAMD";
    cpu.signature = 0x0000058C;  // K6-2, family 5 model 8 stepping 12
    cpu.features = kEdxMmx;
    cpu.maxExtended = 0x80000005u;
    cpu.extendedFeatures = kExtEdx3DNow;
    ProcessorRecord record = MarkedRecord();
    EXPECT_EQ(FeatureMMX | Feature3DNow, cpu.Identify(&record));

    EXPECT_STREQ("AuthenticAMD", record.vendor);
    EXPECT_STREQ("AMD K6-2", record.modelName);
    // Nothing of the marker survives behind the name's terminator.
    for (std::size_t i = std::strlen(record.modelName); i < sizeof record.modelName; ++i)
        EXPECT_EQ(0, record.modelName[i]) << "at " << i;
    EXPECT_EQ(5, record.family);
    EXPECT_EQ(8, record.model);
    EXPECT_EQ(12, record.stepping);
    EXPECT_EQ(FeatureMMX | Feature3DNow, record.detectedFeatures);
    EXPECT_EQ(FeatureMMX | Feature3DNow, record.usableFeatures);
    EXPECT_EQ(15u, record.checkedFeatures);
}

TEST(IdentifyProcessor, CheckedFeaturesIsFifteenWhateverIsSupported) {
    FakeProcessor bare;  // reports nothing at all
    bare.vendor = "CyrixInstead";
    bare.signature = 0x00000520;
    ProcessorRecord record = MarkedRecord();
    EXPECT_EQ(0u, bare.Identify(&record));
    EXPECT_EQ(15u, record.checkedFeatures);
    EXPECT_EQ(0u, record.detectedFeatures);
    EXPECT_EQ(0u, record.usableFeatures);
    EXPECT_STREQ("Unknown", record.modelName);
}

TEST(IdentifyProcessor, VendorKeepsItsBlanks) {
    for (const char* vendor : {"SiS SiS SiS ", "Genuine  RDC"}) {
        FakeProcessor cpu;
        cpu.vendor = vendor;
        cpu.signature = 0x00000522;
        ProcessorRecord record;
        cpu.Identify(&record);
        EXPECT_STREQ(vendor, record.vendor);
        EXPECT_STREQ("Unknown", record.modelName);
    }
}

TEST(IdentifyProcessor, SignatureFieldsAreBaseFieldsOnly) {
    FakeProcessor cpu;
    cpu.vendor = "AuthenticAMD";
    cpu.signature = 0x00A50F10;  // family 15+10, model 0x50 | 1, stepping 0
    ProcessorRecord record;
    cpu.Identify(&record);
    EXPECT_EQ(15, record.family);
    EXPECT_EQ(1, record.model);
    EXPECT_EQ(0, record.stepping);
}

// The table was written for signatures without extended fields: a current
// processor must not be named after a 1990s part.
TEST(IdentifyProcessor, ExtendedModelTakesBrandStringNotTable) {
    FakeProcessor cpu;
    cpu.signature = 0x00090672;  // family 6, base model 7, extended model 9
    cpu.features = kEdxMmx | kEdxSse | kEdxSse2;
    cpu.maxExtended = 0x80000008u;
    cpu.brand = "12th Gen Intel(R) Core(TM) i7-12700K";
    ProcessorRecord record;
    cpu.Identify(&record);
    EXPECT_STREQ("12th Gen Intel(R) Core(TM)", record.modelName);
    EXPECT_EQ(6, record.family);
    EXPECT_EQ(7, record.model);
    EXPECT_EQ(2, record.stepping);
    EXPECT_EQ(Leaves({0u, 1u, 0x80000000u, 0x80000001u, 0x80000002u, 0x80000003u,
                      0x80000004u}),
              cpu.leaves);
}

TEST(IdentifyProcessor, ExtendedSignatureWithoutBrandStringIsUnknown) {
    FakeProcessor cpu;
    cpu.vendor = "AuthenticAMD";
    cpu.signature = 0x00010660;  // family 6 with extended model 1
    cpu.maxExtended = 0x80000001u;  // no brand leaves
    cpu.brand = "must not be read";
    ProcessorRecord record;
    cpu.Identify(&record);
    EXPECT_STREQ("Unknown", record.modelName);
    EXPECT_EQ(Leaves({0u, 1u, 0x80000000u, 0x80000001u}), cpu.leaves);
}

// Which name a processor gets: the table's entry for a plain signature it
// names, else (an extended signature, a gap of the table) the brand string
// when all its leaves are there, else "Unknown".
struct NameCase {
    const char* name;
    const char* vendor;
    std::uint32_t signature;
    std::uint32_t maxExtended;
    const char* brand;
    const char* expected;
};

class ModelName : public ::testing::TestWithParam<NameCase> {};

TEST_P(ModelName, FromTheTableOrTheBrandString) {
    const NameCase& c = GetParam();
    FakeProcessor cpu;
    cpu.vendor = c.vendor;
    cpu.signature = c.signature;
    cpu.maxExtended = c.maxExtended;
    cpu.brand = c.brand;
    ProcessorRecord record;
    cpu.Identify(&record);
    EXPECT_STREQ(c.expected, record.modelName);
}

const NameCase kNameCases[] = {
    // Family 15 + 1 (K10), model 4.
    {"ExtendedFamilyTakesBrandString", "AuthenticAMD", 0x00100F42, 0x8000001Bu,
     "AMD Phenom(tm) II X4 940 Processor", "AMD Phenom(tm) II X4 940"},
    {"ExtendedSignatureOfOtherVendorTakesBrandString", "HygonGenuine", 0x00900F02, 0x8000001Fu,
     "Hygon C86 3185  8-core Processor", "Hygon C86 3185 8-core"},
    // Family 5 model 4: the table has no entry.
    {"TableGapTakesBrandString", "AuthenticAMD", 0x00000540, 0x80000004u, "AMD-K5(tm) Processor",
     "AMD-K5(tm) Processor"},
    // Family 15 without extended family.
    {"TableGapOfFamily15TakesBrandString", "GenuineIntel", 0x00000F29, 0x80000004u,
     "              Intel(R) Pentium(R) 4 CPU 2.80GHz", "Intel(R) Pentium(R) 4 CPU"},
    // Intel family 3; the brand leaves are not all there.
    {"TableGapWithoutBrandStringIsUnknown", "GenuineIntel", 0x00000300, 0x80000003u, "Intel 386",
     "Unknown"},
    // Family 6 model 8: the table says "Unknown".
    {"NamedEntryIgnoresTheBrandString", "GenuineIntel", 0x00000686, 0x80000004u,
     "Intel(R) Pentium(R) III CPU", "Unknown"},
    {"NamedEntryOfOtherVendorIgnoresTheBrandString", "CyrixInstead", 0x00000600, 0x80000005u,
     "Cyrix MII", "Unknown"},
};

INSTANTIATE_TEST_SUITE_P(IdentifyProcessor, ModelName, ::testing::ValuesIn(kNameCases),
                         [](const ::testing::TestParamInfo<NameCase>& info) {
                             return std::string(info.param.name);
                         });

std::string Compose(const std::string& brand) {
    char name[31];
    std::memset(name, 'x', sizeof name);
    ComposeBrandName(brand.data(), brand.size(), name);
    EXPECT_EQ('\0', name[30]);
    return name;
}

TEST(ComposeBrandName, TrimsAndFoldsBlanks) {
    EXPECT_EQ("Intel(R) Core(TM) i5", Compose("   Intel(R)   Core(TM)  i5   "));
    EXPECT_EQ("AMD Athlon(tm)", Compose("AMD\tAthlon(tm)\n"));
}

TEST(ComposeBrandName, CutsAtWordBoundaryWithinThirtyCharacters) {
    // 40 characters; the first 30 end exactly at a word.
    EXPECT_EQ("Intel(R) Core(TM) i7-8700K CPU", Compose("Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz"));
    // 34 characters; the last blank within reach is at 24.
    EXPECT_EQ("AMD Ryzen 7 5800X 8-Core", Compose("AMD Ryzen 7 5800X 8-Core Processor"));
    // Exactly 30 characters stay whole.
    EXPECT_EQ("123456789 123456789 1234567890", Compose("123456789 123456789 1234567890"));
}

TEST(ComposeBrandName, CutsHardWithoutWordBoundary) {
    EXPECT_EQ("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", Compose("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"));
}

TEST(ComposeBrandName, EmptyOrBlankIsUnknown) {
    EXPECT_EQ("Unknown", Compose(""));
    EXPECT_EQ("Unknown", Compose(std::string(48, ' ')));
    EXPECT_EQ("Unknown", Compose(std::string(48, '\0')));
}

TEST(ComposeBrandName, StopsAtTerminatorAndLength) {
    EXPECT_EQ("VIA Nano", Compose(std::string("VIA Nano\0garbage", 16)));
    // No terminator inside the 48 bytes: the length bounds the read.
    char brand[64];
    std::memset(brand, 'Z', sizeof brand);
    std::memcpy(brand, "Abc ", 4);
    char name[31];
    ComposeBrandName(brand, 6, name);
    EXPECT_STREQ("Abc ZZ", name);
}

}  // namespace
