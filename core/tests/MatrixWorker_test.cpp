// The matrix workload on the calling thread: what one copy holds, the
// comparison on crafted copies, and the worker loop with a replaced copy
// procedure.
#include "MatrixWorker.h"

#include "TestRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

const std::memory_order relaxed = std::memory_order_relaxed;


struct NamedArray {
    double (MatrixCopy::*array)[MatrixSize];
    const char* name;
};
const NamedArray s_arrays[] = {
    { &MatrixCopy::Product, "Product" },
    { &MatrixCopy::Cosine, "Cosine" },
    { &MatrixCopy::Log, "Log" },
    { &MatrixCopy::Quotient, "Quotient" },
};

std::unique_ptr<MatrixCopy> ComputedCopy()
{
    std::unique_ptr<MatrixCopy> copy(new MatrixCopy);
    std::memset(copy.get(), 0, sizeof(MatrixCopy));
    ComputeCopy(*copy);
    return copy;
}

bool SameBits(const MatrixCopy& a, const MatrixCopy& b)
{
    for (const NamedArray& arr : s_arrays) {
        if (std::memcmp(&(a.*arr.array)[1], &(b.*arr.array)[1], (MatrixSize - 1) * sizeof(double)) != 0)
            return false;
    }
    return true;
}

} // namespace

// --- One copy ---------------------------------------------------------------

TEST(ComputeCopyTest, HoldsTheFunctionsAndTheProduct)
{
    std::unique_ptr<MatrixCopy> copy = ComputedCopy();
    const MatrixCopy& c = *copy;
    const int samples[] = { 1, 2, 3, 7, 355, 4999, 5000, 9996, 9997, 9998, 9999 };
    for (int e : samples) {
        const double rest = MatrixSize - e;
        const double expectedProduct = (e / std::sin(rest)) * std::log(double(e)) * std::cos(rest) * std::sin(double(e));
        EXPECT_DOUBLE_EQ(c.Cosine[e], std::cos(rest)) << e;
        EXPECT_DOUBLE_EQ(c.Log[e], std::log(double(e))) << e;
        EXPECT_NEAR(c.Quotient[e], e / std::sin(rest), std::fabs(c.Quotient[e]) * 1e-12) << e;
        EXPECT_NEAR(c.Product[e], expectedProduct, std::fabs(expectedProduct) * 1e-12) << e;
    }
    // ln 1 = 0 makes the first product zero.
    EXPECT_EQ(c.Log[1], 0.0);
    EXPECT_EQ(c.Product[1], 0.0);
}

TEST(ComputeCopyTest, StaysFiniteWithQuotientsUpToAbout3e8)
{
    std::unique_ptr<MatrixCopy> copy = ComputedCopy();
    double largestQuotient = 0;
    for (int e = 1; e < MatrixSize; ++e) {
        for (const NamedArray& arr : s_arrays)
            ASSERT_TRUE(std::isfinite((copy.get()->*arr.array)[e])) << arr.name << "[" << e << "]";
        largestQuotient = std::max(largestQuotient, std::fabs(copy->Quotient[e]));
    }
    EXPECT_GT(largestQuotient, 3.1e8);
    EXPECT_LT(largestQuotient, 3.3e8);
}

TEST(ComputeCopyTest, NeverTouchesIndexZero)
{
    std::unique_ptr<MatrixCopy> copy(new MatrixCopy);
    std::memset(copy.get(), 0xA5, sizeof(MatrixCopy));
    double sentinel;
    std::memset(&sentinel, 0xA5, sizeof sentinel);
    ComputeCopy(*copy);
    for (const NamedArray& arr : s_arrays)
        EXPECT_EQ(std::memcmp(&(copy.get()->*arr.array)[0], &sentinel, sizeof sentinel), 0) << arr.name;
}

TEST(ComputeCopyTest, TwoCopiesAgreeBitForBit)
{
    UseDoublePrecision();
    std::unique_ptr<MatrixCopy> first = ComputedCopy();
    std::unique_ptr<MatrixCopy> second(new MatrixCopy);
    std::memset(second.get(), 0xFF, sizeof(MatrixCopy)); // NaNs everywhere
    EXPECT_EQ(RunPass(*first, *second, ComputeCopy), 0);
    EXPECT_TRUE(SameBits(*first, *second));
}

// --- The comparison ---------------------------------------------------------

class CompareTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_copy1 = ComputedCopy();
        m_copy2.reset(new MatrixCopy(*m_copy1));
        ASSERT_EQ(CountMismatches(*m_copy1, *m_copy2), 0);
    }
    double& At(MatrixCopy& copy, const NamedArray& arr, int e) { return (copy.*arr.array)[e]; }

    std::unique_ptr<MatrixCopy> m_copy1;
    std::unique_ptr<MatrixCopy> m_copy2;
};

TEST_F(CompareTest, CatchesTheSmallestDifferenceInAnyArrayAtAnyIndex)
{
    for (const NamedArray& arr : s_arrays) {
        for (int e = 1; e < MatrixSize; e += (e < 5 || e > 9994) ? 1 : 97) {
            double& value = At(*m_copy2, arr, e);
            const double original = value;
            value = std::nextafter(original, std::numeric_limits<double>::infinity());
            EXPECT_EQ(CountMismatches(*m_copy1, *m_copy2), 1) << arr.name << "[" << e << "] in copy 2";
            value = original;

            double& other = At(*m_copy1, arr, e);
            other = std::nextafter(original, -std::numeric_limits<double>::infinity());
            EXPECT_EQ(CountMismatches(*m_copy1, *m_copy2), 1) << arr.name << "[" << e << "] in copy 1";
            other = original;
        }
    }
}

TEST_F(CompareTest, NanIsUnequalEvenToNan)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const NamedArray& arr : s_arrays) {
        At(*m_copy1, arr, 4321) = nan;
        EXPECT_EQ(CountMismatches(*m_copy1, *m_copy2), 1) << arr.name << ", NaN in copy 1";
        At(*m_copy2, arr, 4321) = nan;
        EXPECT_EQ(CountMismatches(*m_copy1, *m_copy2), 1) << arr.name << ", NaN in both";
        At(*m_copy1, arr, 4321) = At(*m_copy2, arr, 4322);
        At(*m_copy2, arr, 4321) = At(*m_copy2, arr, 4322);
    }
}

TEST_F(CompareTest, IgnoresIndexZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const NamedArray& arr : s_arrays) {
        At(*m_copy1, arr, 0) = 1.0;
        At(*m_copy2, arr, 0) = -1.0;
    }
    EXPECT_EQ(CountMismatches(*m_copy1, *m_copy2), 0);
    for (const NamedArray& arr : s_arrays)
        At(*m_copy2, arr, 0) = nan;
    EXPECT_EQ(CountMismatches(*m_copy1, *m_copy2), 0);
}

TEST_F(CompareTest, ComparesEveryPairWithoutStoppingAtTheFirst)
{
    m_copy2->Product[1] = 7.0;
    m_copy2->Cosine[1] = 7.0;
    m_copy2->Log[5000] = 7.0;
    m_copy2->Quotient[9999] = 7.0;
    EXPECT_EQ(CountMismatches(*m_copy1, *m_copy2), 4);
}

// --- The worker loop --------------------------------------------------------

namespace {

// A stand-in for ComputeCopy: fills every compared element with a value
// chosen by the test, counts its calls and may raise Stop, or start the
// next run (Stop and Start at once), on a given call.
TestFlags* s_flags;
std::atomic<std::uint32_t>* s_run;
int s_calls;
int s_stopOnCall;     // 1-based; 0 = never
int s_differOnCall;   // 1-based; 0 = never
int s_nextRunOnCall;  // 1-based; 0 = never

void FakeCompute(MatrixCopy& copy)
{
    ++s_calls;
    const double value = s_calls == s_differOnCall ? 2.0 : 1.0;
    for (const NamedArray& arr : s_arrays)
        std::fill(&(copy.*arr.array)[1], &(copy.*arr.array)[MatrixSize], value);
    if (s_calls == s_stopOnCall)
        s_flags->Stop.store(1, relaxed);
    if (s_calls == s_nextRunOnCall)
        s_run->fetch_add(1, relaxed);
    // A loop that misses its end fails its test rather than hanging it.
    if (s_calls == 100)
        s_flags->Stop.store(1, relaxed);
}

class WorkerLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        s_flags = &m_flags;
        s_run = &m_currentRun;
        s_calls = 0;
        s_stopOnCall = 0;
        s_differOnCall = 0;
        s_nextRunOnCall = 0;
        m_flags.Idle.store(0, relaxed);
    }
    std::uint32_t Run(ComputeCopyProc compute)
    {
        return RunMatrixWorker(m_flags, m_currentRun, m_ownRun, compute);
    }
    TestFlags m_flags;
    std::atomic<std::uint32_t> m_currentRun{ 7 };
    std::uint32_t m_ownRun = 7;
};

} // namespace

TEST_F(WorkerLoopTest, StopAlreadySetMeansNoPass)
{
    m_flags.Stop.store(1, relaxed);
    EXPECT_EQ(Run(FakeCompute), 0u);
    EXPECT_EQ(s_calls, 0);
    EXPECT_EQ(m_flags.ErrorMatrix.load(relaxed), 0);
}

TEST_F(WorkerLoopTest, WorkerOfAnEarlierRunMakesNoPass)
{
    // Stopped and started again before this worker's first check: Stop is
    // clear, but the run is no longer its own.
    m_ownRun = 6;
    EXPECT_EQ(Run(FakeCompute), 0u);
    EXPECT_EQ(s_calls, 0);
}

TEST_F(WorkerLoopTest, NextRunStartedDuringAPassEndsItAfterThatPass)
{
    s_nextRunOnCall = 3; // copy 1 of pass 2; Stop is never seen set
    EXPECT_EQ(Run(FakeCompute), 0u);
    EXPECT_EQ(s_calls, 4);
    EXPECT_EQ(m_flags.Stop.load(relaxed), 0);
}

TEST_F(WorkerLoopTest, StopDuringAPassFinishesItComparisonIncluded)
{
    s_stopOnCall = 1;   // the stop arrives while copy 1 is computed
    s_differOnCall = 2; // and copy 2 comes out different
    EXPECT_EQ(Run(FakeCompute), 0u);
    EXPECT_EQ(s_calls, 2);
    EXPECT_EQ(m_flags.ErrorMatrix.load(relaxed), 1);
}

TEST_F(WorkerLoopTest, ChecksStopAfterEveryCompletePass)
{
    s_stopOnCall = 6; // copy 2 of the third pass
    EXPECT_EQ(Run(FakeCompute), 0u);
    EXPECT_EQ(s_calls, 6);
    EXPECT_EQ(m_flags.ErrorMatrix.load(relaxed), 0);
}

TEST_F(WorkerLoopTest, OneMismatchKeepsTheFlagForTheRestOfTheRun)
{
    s_differOnCall = 3; // copy 1 of pass 2
    s_stopOnCall = 10;  // passes 3 to 5 agree again
    Run(FakeCompute);
    EXPECT_EQ(s_calls, 10);
    EXPECT_EQ(m_flags.ErrorMatrix.load(relaxed), 1);
}

TEST_F(WorkerLoopTest, TouchesNoOtherFlag)
{
    s_differOnCall = 1;
    s_stopOnCall = 2;
    Run(FakeCompute);
    EXPECT_EQ(m_flags.Idle.load(relaxed), 0);
    EXPECT_EQ(m_flags.ErrorComplexMath.load(relaxed), 0);
    EXPECT_EQ(m_flags.ErrorIntegerMath.load(relaxed), 0);
    EXPECT_EQ(m_flags.ErrorChipsets.load(relaxed), 0);
}

namespace {
void RealComputeForThreePasses(MatrixCopy& copy)
{
    ComputeCopy(copy);
    if (++s_calls == 6)
        s_flags->Stop.store(1, relaxed);
}
} // namespace

TEST_F(WorkerLoopTest, RealCopiesAgreeOverSeveralPasses)
{
    Run(RealComputeForThreePasses);
    EXPECT_EQ(s_calls, 6);
    EXPECT_EQ(m_flags.ErrorMatrix.load(relaxed), 0);
}
