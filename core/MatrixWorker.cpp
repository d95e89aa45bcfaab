#include "MatrixWorker.h"

#include <cmath>

#include "TestRun.h"

// Floating point on the 32-bit target.
//
// The i686 build keeps GCC's default x87 code generation. The program
// supports processors without SSE2 (it probes MMX, SSE and 3DNow!), and
// SSE2 arithmetic would fault on those before the user saw a thing. Both
// copies run through the very same machine code (ComputeCopy, out of line,
// reached through a pointer the optimiser cannot see through), so they agree
// bit for bit whatever the optimisation level. Each worker also sets the x87
// precision control to 53 bits, the classic Windows default that the MinGW
// start-up code widens to 64: multiplication and division then round once,
// straight to a double's significand, instead of rounding twice through the
// 80-bit format. The 64-bit build uses SSE2, where that is the only mode.
#if defined(__i386__) && !defined(__SSE2_MATH__)
#define PYROLUX_X87_MATH 1
#endif

void UseDoublePrecision()
{
#if defined(PYROLUX_X87_MATH)
    // The precision-control field of the x87 control word (bits 8 and 9)
    // and its 53-bit setting, as _MCW_PC and _PC_53 name them on Windows.
    // Set here rather than through the C runtime's _controlfp, so that the
    // setting does not depend on which runtime DLL a system has.
    const unsigned short precisionControl = 0x0300, precision53 = 0x0200;
    unsigned short control;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    control = static_cast<unsigned short>((control & ~precisionControl) | precision53);
    __asm__ __volatile__("fldcw %0" : : "m"(control));
#endif
}

// Out of line, so both copies of a pass execute the same instructions.
__attribute__((noinline)) void ComputeCopy(MatrixCopy& copy)
{
    for (int e = 1; e < MatrixSize; ++e) {
        copy.Product[e] = e;
        copy.Log[e] = e;
        copy.Cosine[e] = MatrixSize - e;
        copy.Quotient[e] = MatrixSize - e;
    }
    for (int e = 1; e < MatrixSize; ++e) {
        copy.Product[e] = std::sin(copy.Product[e]);
        copy.Cosine[e] = std::cos(copy.Cosine[e]);
        copy.Log[e] = std::log(copy.Log[e]);
        copy.Quotient[e] = static_cast<double>(e) / std::sin(copy.Quotient[e]);
    }
    for (int e = 1; e < MatrixSize; ++e)
        copy.Product[e] = ((copy.Quotient[e] * copy.Log[e]) * copy.Cosine[e]) * copy.Product[e];
}

int CountMismatches(const MatrixCopy& copy1, const MatrixCopy& copy2)
{
    // Counting, not stopping at the first difference: every pair is compared
    // in every pass. != is true for NaN against anything.
    int mismatches = 0;
    for (int e = 1; e < MatrixSize; ++e) {
        mismatches += copy1.Product[e] != copy2.Product[e];
        mismatches += copy1.Cosine[e] != copy2.Cosine[e];
        mismatches += copy1.Log[e] != copy2.Log[e];
        mismatches += copy1.Quotient[e] != copy2.Quotient[e];
    }
    return mismatches;
}

int RunPass(MatrixCopy& copy1, MatrixCopy& copy2, ComputeCopyProc compute)
{
    compute(copy1);
    // The optimiser must neither merge the two copies nor reuse anything of
    // copy 1 for copy 2: after this barrier it no longer knows which
    // procedure compute is, nor what memory holds.
    __asm__ __volatile__("" : "+r"(compute) : : "memory");
    compute(copy2);
    __asm__ __volatile__("" : : : "memory");
    return CountMismatches(copy1, copy2);
}

std::uint32_t RunMatrixWorker(TestFlags& flags, const std::atomic<std::uint32_t>& currentRun,
                              std::uint32_t run, ComputeCopyProc compute)
{
    UseDoublePrecision();
    MatrixCopy copy1;
    MatrixCopy copy2;
    while (flags.Stop.load(std::memory_order_relaxed) == 0
           && currentRun.load(std::memory_order_relaxed) == run) {
        if (RunPass(copy1, copy2, compute) != 0)
            flags.ErrorMatrix.store(1, std::memory_order_relaxed);
    }
    return 0;
}

std::uint32_t MatrixWorker(void* /*param*/, std::uint32_t run)
{
    return RunMatrixWorker(g_testFlags, g_testRun, run, ComputeCopy);
}
