// Every row and every gap of the model-name table, model by model.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CpuIdentification.h"

namespace {

struct Row {
    const char* vendor;
    int family;
    int firstModel, lastModel;
    const char* name;  // null: the table has no entry
};

const Row kTable[] = {
    {"AuthenticAMD", 4, 0, 15, "AMD Am486"},
    {"AuthenticAMD", 5, 0, 3, "AMD K5"},
    {"AuthenticAMD", 5, 4, 5, nullptr},
    {"AuthenticAMD", 5, 6, 7, "AMD K6"},
    {"AuthenticAMD", 5, 8, 8, "AMD K6-2"},
    {"AuthenticAMD", 5, 9, 15, "AMD K6-3"},
    {"AuthenticAMD", 6, 0, 15, "AMD ATHLON"},
    {"GenuineIntel", 4, 0, 1, "INTEL 486DX"},
    {"GenuineIntel", 4, 2, 2, "INTEL 486SX"},
    {"GenuineIntel", 4, 3, 3, "INTEL 486DX2"},
    {"GenuineIntel", 4, 4, 4, "INTEL 486SL"},
    {"GenuineIntel", 4, 5, 5, "INTEL 486SX2"},
    {"GenuineIntel", 4, 6, 6, "Unknown"},
    {"GenuineIntel", 4, 7, 7, "INTEL 486DX2E"},
    {"GenuineIntel", 4, 8, 8, "INTEL 486DX4"},
    {"GenuineIntel", 4, 9, 15, "Unknown"},
    {"GenuineIntel", 5, 0, 0, "Unknown"},
    {"GenuineIntel", 5, 1, 3, "INTEL Pentium"},
    {"GenuineIntel", 5, 4, 4, "INTEL Pentium-MMX"},
    {"GenuineIntel", 5, 5, 15, "Unknown"},
    {"GenuineIntel", 6, 0, 0, "Unknown"},
    {"GenuineIntel", 6, 1, 1, "INTEL Pentium-Pro"},
    {"GenuineIntel", 6, 2, 2, "Unknown"},
    {"GenuineIntel", 6, 3, 3, "INTEL Pentium-II"},
    {"GenuineIntel", 6, 4, 4, "Unknown"},
    {"GenuineIntel", 6, 5, 5, "INTEL Pentium-II"},
    {"GenuineIntel", 6, 6, 6, "INTEL Celeron"},
    {"GenuineIntel", 6, 7, 7, "INTEL Pentium-III"},
    {"GenuineIntel", 6, 8, 15, "Unknown"},
};

// The field as DecodeModelName leaves it, starting from a marker text so
// that "writes nothing" shows.
std::string Decode(int family, int model, const char* vendor) {
    char name[31];
    std::memset(name, 0, sizeof name);
    std::strcpy(name, "<untouched>");
    DecodeModelName(family, model, vendor, name);
    return name;
}

TEST(ModelNameTable, EveryRowModelByModel) {
    for (const Row& row : kTable) {
        for (int model = row.firstModel; model <= row.lastModel; ++model) {
            EXPECT_EQ(row.name ? row.name : "<untouched>", Decode(row.family, model, row.vendor))
                << row.vendor << " family " << row.family << " model " << model;
        }
    }
}

TEST(ModelNameTable, FamiliesOutsideFourToSixHaveNoEntry) {
    for (const char* vendor : {"AuthenticAMD", "GenuineIntel"}) {
        for (int family = 0; family <= 15; ++family) {
            if (family >= 4 && family <= 6)
                continue;
            for (int model = 0; model <= 15; ++model)
                EXPECT_EQ("<untouched>", Decode(family, model, vendor))
                    << vendor << " family " << family << " model " << model;
        }
    }
}

TEST(ModelNameTable, OtherVendorsAreUnknownEverywhere) {
    for (const char* vendor : {"CyrixInstead", "CentaurHauls", "NexGenDriven", "UMC UMC UMC ",
                               "RiseRiseRise", "GenuineTMx86", "AuthenticAMd",
                               "Genuine Intel", ""}) {
        for (int family = 0; family <= 15; ++family)
            for (int model = 0; model <= 15; ++model)
                EXPECT_EQ("Unknown", Decode(family, model, vendor))
                    << vendor << " family " << family << " model " << model;
    }
}

TEST(ModelNameTable, OnlyTwelveVendorCharactersCount) {
    // The record's vendor is always 12 characters and a NUL; anything past
    // the twelfth character is not part of the comparison.
    EXPECT_EQ("AMD K6-2", Decode(5, 8, "AuthenticAMDxyz"));
}

}  // namespace
