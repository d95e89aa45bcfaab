// Guarded execution of single instructions that may fault.
//
// Each routine executes one instruction inside a tiny assembly routine whose
// faulting address and recovery address are known. A handler recognises a
// fault at exactly that address and resumes at the recovery point, which
// returns false. On Windows the handler is an exception frame that the
// routine registers on the thread's own exception chain for the duration of
// the instruction (what every Windows since 95 and NT 3.1 dispatches to);
// elsewhere it is a process-wide signal handler. A fault anywhere else is
// left alone, so real crashes still crash. Any number of threads may run
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

// The handler's decision, callable without a fault: where a routine resumes
// after an exception with this code (NTSTATUS) and these flags at `address`,
// or null when it is not a fault of a guarded instruction (another address,
// a breakpoint or single step, an unwind passing by).
const void* RecoveryFor(std::uint32_t code, std::uint32_t flags, const void* address);

}  // namespace FaultGuard
