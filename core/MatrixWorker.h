// The matrix workload: the body of every test thread. Each pass computes the
// same double-precision results twice, into two separate copies, and holds
// them against each other; any difference raises ErrorMatrix.
#pragma once

#include <atomic>
#include <cstdint>

struct TestFlags;

// Elements per array; index 0 is never written or read.
const int MatrixSize = 10000;

// One copy of the four arrays (320,000 bytes).
struct MatrixCopy {
    double Product[MatrixSize];
    double Cosine[MatrixSize];
    double Log[MatrixSize];
    double Quotient[MatrixSize];
};

// Computes one copy from scratch over indices 1 to 9,999: fill, function step
// (sin, cos, ln, index / sin), product step.
typedef void (*ComputeCopyProc)(MatrixCopy& copy);
void ComputeCopy(MatrixCopy& copy);

// Compares every pair at indices 1 to 9,999 in the order product, cosine,
// logarithm, quotient, and returns how many are unequal (NaN is unequal to
// everything, itself included). All 39,996 pairs are compared every time.
int CountMismatches(const MatrixCopy& copy1, const MatrixCopy& copy2);

// Sets the calling thread's floating-point precision to a double's 53-bit
// significand where the arithmetic is x87 (the i686 build); nothing to do
// elsewhere. Every worker calls it first.
void UseDoublePrecision();

// One pass: compute copy 1, compute copy 2, compare. Returns the number of
// unequal pairs.
int RunPass(MatrixCopy& copy1, MatrixCopy& copy2, ComputeCopyProc compute);

// The worker loop: returns 0 as soon as it finds flags.Stop set or
// currentRun no longer equal to run (its own run was stopped and another one
// started), checked before the first pass and after each complete pass; a
// pass with a mismatch sets flags.ErrorMatrix. The two copies live on the
// calling thread's stack.
std::uint32_t RunMatrixWorker(TestFlags& flags, const std::atomic<std::uint32_t>& currentRun,
                              std::uint32_t run, ComputeCopyProc compute);

// Thread procedure of every test worker: RunMatrixWorker on the process-wide
// flags and run number with ComputeCopy. param is not used.
std::uint32_t MatrixWorker(void* param, std::uint32_t run);
