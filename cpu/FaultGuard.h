// Guarded execution of single instructions that may fault.
//
// Each routine executes one instruction inside a tiny assembly routine whose
// faulting address and recovery address are known. A process-wide handler
// (a vectored exception handler on Windows, a signal handler elsewhere)
// recognises a fault at exactly that address and resumes at the recovery
// point, which returns false. A fault anywhere else is left alone, so real
// crashes still crash. No per-thread state: any number of threads may run
// guarded instructions at once.
#pragma once

#include <cstdint>

namespace FaultGuard {

// CPUID with leaf 0; false when the instruction faults.
bool ExecuteCpuid0();
// PXOR mm0,mm0 followed by EMMS so the x87 unit stays usable.
bool ExecutePxorMmx();
// XORPS xmm0,xmm0.
bool ExecuteXorps();
// XORPD xmm0,xmm0.
bool ExecuteXorpd();
// PFRCP mm0,mm0 followed by EMMS.
bool ExecutePfrcp();
// RDTSC; stores the counter in *ticks when it completes.
bool ExecuteRdtsc(std::uint64_t* ticks);
// UD2, which always faults: lets tests exercise the guard on a real fault.
bool ExecuteUndefined();

}  // namespace FaultGuard
