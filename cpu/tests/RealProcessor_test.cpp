// Identification of the machine the tests run on.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

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

#if !defined(_WIN32)

// The first processor's entry of /proc/cpuinfo, field name to value.
std::map<std::string, std::string> FirstCpuinfoEntry(std::ifstream& in) {
    std::map<std::string, std::string> entry;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) {
            if (!entry.empty())
                break;
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string key = line.substr(0, colon);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
            key.pop_back();
        std::string value = line.substr(colon + 1);
        if (!value.empty() && value[0] == ' ')
            value.erase(0, 1);
        entry[key] = value;
    }
    return entry;
}

TEST(RealProcessor, AgreesWithProcCpuinfo) {
    std::ifstream in("/proc/cpuinfo");
    if (!in)
        GTEST_SKIP() << "/proc/cpuinfo is not available";
    std::map<std::string, std::string> entry = FirstCpuinfoEntry(in);
    if (!entry.count("vendor_id") || !entry.count("cpu family"))
        GTEST_SKIP() << "/proc/cpuinfo has no x86 fields";

    ProcessorRecord record;
    std::memset(&record, 0, sizeof record);
    IdentifyProcessor(&record);

    EXPECT_EQ(entry["vendor_id"], record.vendor);
    // Linux adds the extended fields; identification keeps the base ones.
    const int family = std::stoi(entry["cpu family"]);
    const int model = std::stoi(entry["model"]);
    EXPECT_EQ(family >= 15 ? 15 : family, record.family);
    EXPECT_EQ(model & 0xF, record.model);
    EXPECT_EQ(std::stoi(entry["stepping"]), record.stepping);

    std::set<std::string> flags;
    std::istringstream words(entry["flags"]);
    for (std::string flag; words >> flag;)
        flags.insert(flag);
    const struct {
        const char* flag;
        std::uint32_t feature;
    } kFlags[] = {{"mmx", FeatureMMX}, {"sse", FeatureSSE}, {"sse2", FeatureSSE2},
                  {"3dnow", Feature3DNow}};
    for (const auto& f : kFlags) {
        EXPECT_EQ(flags.count(f.flag) != 0, (record.detectedFeatures & f.feature) != 0)
            << f.flag;
    }
    for (const auto& f : {kFlags[0], kFlags[1], kFlags[2]}) {
        EXPECT_EQ(flags.count(f.flag) != 0, (record.usableFeatures & f.feature) != 0)
            << f.flag;
    }

    // A signature with extended fields is named by its brand string, which
    // Linux shows as the model name.
    if ((family > 15 || model > 15) && entry.count("model name")) {
        char expected[31];
        ComposeBrandName(entry["model name"].data(), entry["model name"].size(), expected);
        EXPECT_STREQ(expected, record.modelName);
    }
}

#endif

#endif

}  // namespace
