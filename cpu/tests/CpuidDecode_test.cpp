// Recorded processors through the decoder, and the cpuid-decode tool itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "CpuidDecode.h"

namespace {

struct Decoded {
    int status;
    std::string out, err;
};

Decoded RunDecoder(const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = RunCpuidDecode(in, out, err);
    return {status, out.str(), err.str()};
}

std::string DecodeLine(const std::string& line) {
    const Decoded d = RunDecoder(line + "\n");
    EXPECT_EQ(0, d.status) << d.err;
    EXPECT_EQ("", d.err);
    return d.out;
}

// Real processors by their real signatures and feature words.
TEST(CpuidDecode, RealProcessors) {
    const struct {
        const char* input;
        const char* output;
    } kProcessors[] = {
        {"GenuineIntel\t0x00000543\t0x008001bf\t0x00000000\t0x00000000",
         "GenuineIntel\tINTEL Pentium-MMX\t5\t4\t3\t1\t1\t15"},
        {"GenuineIntel\t0x00000634\t0x0080fbff\t0x00000000\t0x00000000",
         "GenuineIntel\tINTEL Pentium-II\t6\t3\t4\t1\t1\t15"},
        {"GenuineIntel\t0x00000652\t0x0183fbff\t0x00000000\t0x00000000",
         "GenuineIntel\tINTEL Pentium-II\t6\t5\t2\t1\t1\t15"},
        {"GenuineIntel\t0x00000665\t0x0183f9ff\t0x00000000\t0x00000000",
         "GenuineIntel\tINTEL Celeron\t6\t6\t5\t1\t1\t15"},
        {"GenuineIntel\t0x00000672\t0x0383fbff\t0x00000000\t0x00000000",
         "GenuineIntel\tINTEL Pentium-III\t6\t7\t2\t3\t3\t15"},
        // Coppermine: the table names model 8 "Unknown".
        {"GenuineIntel\t0x0000068a\t0x0383fbff\t0x00000000\t0x00000000",
         "GenuineIntel\tUnknown\t6\t8\t10\t3\t3\t15"},
        {"GenuineIntel\t0x00000f29\t0xbfebfbff\t0x80000004\t0x00000000\t"
         "              Intel(R) Pentium(R) 4 CPU 2.80GHz",
         "GenuineIntel\tIntel(R) Pentium(R) 4 CPU\t15\t2\t9\t7\t7\t15"},
        {"AuthenticAMD\t0x00000501\t0x000001bf\t0x00000000\t0x00000000",
         "AuthenticAMD\tAMD K5\t5\t0\t1\t0\t0\t15"},
        {"AuthenticAMD\t0x0000058c\t0x008021bf\t0x80000005\t0x80800000\tAMD-K6(tm) 3D processor",
         "AuthenticAMD\tAMD K6-2\t5\t8\t12\t9\t9\t15"},
        {"AuthenticAMD\t0x00000591\t0x008021bf\t0x80000006\t0x80800000\t"
         "AMD-K6(tm) 3D+ Processor",
         "AuthenticAMD\tAMD K6-3\t5\t9\t1\t9\t9\t15"},
        {"AuthenticAMD\t0x00000612\t0x0183f9ff\t0x80000006\t0xc1c3f9ff\tAMD-K7(tm) Processor",
         "AuthenticAMD\tAMD ATHLON\t6\t1\t2\t9\t9\t15"},
        {"AuthenticAMD\t0x00000681\t0x0383fbff\t0x80000008\t0xc1c3fbff\t"
         "AMD Athlon(tm) XP 2000+",
         "AuthenticAMD\tAMD ATHLON\t6\t8\t1\t11\t11\t15"},
        {"CyrixInstead\t0x00000600\t0x0080a135\t0x80000005\t0x0080a135\tCyrix MII",
         "CyrixInstead\tUnknown\t6\t0\t0\t1\t1\t15"},
        {"CentaurHauls\t0x00000585\t0x008021bf\t0x80000005\t0x80800000\tIDT WinChip 2-3D",
         "CentaurHauls\tUnknown\t5\t8\t5\t9\t9\t15"},
        // A current desktop processor whose base model 7 must not read as a
        // Pentium III.
        {"GenuineIntel\t0x00090672\t0xbfebfbff\t0x80000008\t0x2c100800\t"
         "12th Gen Intel(R) Core(TM) i7-12700K",
         "GenuineIntel\t12th Gen Intel(R) Core(TM)\t6\t7\t2\t7\t7\t15"},
        {"AuthenticAMD\t0x00a00f11\t0x178bfbff\t0x80000023\t0x2fd3fbff\t"
         "AMD EPYC 7713 64-Core Processor                ",
         "AuthenticAMD\tAMD EPYC 7713 64-Core\t15\t1\t1\t7\t7\t15"},
        {"SiS SiS SiS \t0x00000505\t0x0080813f\t0x00000000\t0x00000000",
         "SiS SiS SiS \tUnknown\t5\t0\t5\t1\t1\t15"},
        {"Genuine  RDC\t0x000005a2\t0x0080813f\t0x00000000\t0x00000000",
         "Genuine  RDC\tUnknown\t5\t10\t2\t1\t1\t15"},
    };
    for (const auto& p : kProcessors)
        EXPECT_EQ(std::string(p.output) + "\n", DecodeLine(p.input)) << p.input;
}

TEST(CpuidDecode, MalformedLinesNamedAndSkipped) {
    const std::string input =
        "GenuineIntel\t0x00000543\t0x008001bf\t0x0\t0x0\n"     // 1 good
        "GenuineIntel\t0x00000543\t0x008001bf\t0x0\n"          // 2 four fields
        "Intel\t0x00000543\t0x008001bf\t0x0\t0x0\n"            // 3 short vendor
        "GenuineIntel\t543\t0x008001bf\t0x0\t0x0\n"            // 4 no 0x
        "GenuineIntel\t0x00000543\t0x0080zz\t0x0\t0x0\n"       // 5 not hex
        "GenuineIntel\t0x000005430\t0x008001bf\t0x0\t0x0\n"    // 6 over 32 bits
        "GenuineIntel\t0x\t0x008001bf\t0x0\t0x0\n"             // 7 no digits
        "GenuineIntel\t0x1\t0x1\t0x0\t0x0\tbrand\textra\n"     // 8 seven fields
        "GenuineIntel\t0x1\t0x1\t0x80000004\t0x0\t" + std::string(49, 'B') + "\n"  // 9
        "AuthenticAMD\t0x00000612\t0x0183f9ff\t0x80000006\t0xc1c3f9ff\r\n";  // 10 good
    const Decoded d = RunDecoder(input);
    EXPECT_NE(0, d.status);
    EXPECT_EQ("GenuineIntel\tINTEL Pentium-MMX\t5\t4\t3\t1\t1\t15\n"
              "AuthenticAMD\tAMD ATHLON\t6\t1\t2\t9\t9\t15\n",
              d.out);
    std::istringstream errors(d.err);
    std::string line;
    int count = 0;
    for (int expected : {2, 3, 4, 5, 6, 7, 8, 9}) {
        ASSERT_TRUE(std::getline(errors, line)) << "missing error for line " << expected;
        ++count;
        EXPECT_EQ(0u, line.find("cpuid-decode: line " + std::to_string(expected) + ": "))
            << line;
    }
    EXPECT_FALSE(std::getline(errors, line)) << "unexpected: " << line;
    EXPECT_EQ(8, count);
}

TEST(CpuidDecode, ErrorsSayWhatIsWrong) {
    RecordedProcessor p;
    std::string error;
    EXPECT_FALSE(ParseRecordedProcessor("Intel\t0x1\t0x1\t0x1\t0x1", &p, &error));
    EXPECT_NE(std::string::npos, error.find("VENDOR")) << error;
    EXPECT_FALSE(ParseRecordedProcessor("GenuineIntel\t0x1\t0x1\tzz\t0x1", &p, &error));
    EXPECT_NE(std::string::npos, error.find("LEAF80000000_EAX")) << error;
    EXPECT_FALSE(ParseRecordedProcessor("GenuineIntel 0x1 0x1 0x1 0x1", &p, &error));
    EXPECT_NE(std::string::npos, error.find("found 1")) << error;
}

TEST(CpuidDecode, AllGoodInputExitsZeroAndBlankLinesAreSkipped) {
    const Decoded d = RunDecoder("\nGenuineIntel\t0X672\t0X0383FBFF\t0x0\t0x0\n\n");
    EXPECT_EQ(0, d.status);
    EXPECT_EQ("", d.err);
    EXPECT_EQ("GenuineIntel\tINTEL Pentium-III\t6\t7\t2\t3\t3\t15\n", d.out);
}

#if defined(CPUID_DECODE_TOOL)

// The installed tool on a recorded file: standard output, standard error
// and exit status kept apart.
TEST(CpuidDecodeTool, RunsOnRecordedLines) {
    const std::string dir = ::testing::TempDir();
    const std::string input = dir + "cpuid-decode-input.txt";
    const std::string output = dir + "cpuid-decode-output.txt";
    const std::string errors = dir + "cpuid-decode-errors.txt";
    {
        std::ofstream file(input);
        file << "GenuineIntel\t0x00000665\t0x0183f9ff\t0x00000000\t0x00000000\n"
             << "broken line\n"
             << "AuthenticAMD\t0x00000591\t0x008021bf\t0x80000006\t0x80800000\n";
    }
    const std::string command = std::string("'") + CPUID_DECODE_TOOL + "' <'" + input +
                                "' >'" + output + "' 2>'" + errors + "'";
    const int status = std::system(command.c_str());
    EXPECT_NE(0, status);

    std::ifstream out(output), err(errors);
    std::stringstream outText, errText;
    outText << out.rdbuf();
    errText << err.rdbuf();
    EXPECT_EQ("GenuineIntel\tINTEL Celeron\t6\t6\t5\t1\t1\t15\n"
              "AuthenticAMD\tAMD K6-3\t5\t9\t1\t9\t9\t15\n",
              outText.str());
    const std::string errorText = errText.str();
    EXPECT_EQ(0u, errorText.find("cpuid-decode: line 2: ")) << errorText;
    EXPECT_EQ(1, std::count(errorText.begin(), errorText.end(), '\n')) << errorText;
    std::remove(input.c_str());
    std::remove(output.c_str());
    std::remove(errors.c_str());
}

// The sample dumps shipped beside the tool decode without a complaint.
TEST(CpuidDecodeTool, SampleDumpsDecodeCleanly) {
    std::ifstream sample(CPUID_DECODE_SAMPLE);
    ASSERT_TRUE(sample) << CPUID_DECODE_SAMPLE;
    std::stringstream text;
    text << sample.rdbuf();
    const Decoded d = RunDecoder(text.str());
    EXPECT_EQ(0, d.status);
    EXPECT_EQ("", d.err);
    const std::string input = text.str();
    EXPECT_EQ(std::count(input.begin(), input.end(), '\n'),
              std::count(d.out.begin(), d.out.end(), '\n'));
    EXPECT_EQ(std::string::npos, d.out.find("\t\t")) << "an empty model name";
}

#endif

}  // namespace
