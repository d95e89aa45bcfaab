#include "FaultGuard.h"

#if defined(__i386__) || defined(__x86_64__)
#define PYROLUX_X86 1
#endif

#if defined(PYROLUX_X86) && defined(_WIN32)
#include <windows.h>
#elif defined(PYROLUX_X86)
#include <mutex>
#include <signal.h>
#include <ucontext.h>
#endif

#if defined(PYROLUX_X86)

// Every guarded routine has three labels: its entry, the one instruction that
// may fault (<name>_fault) and the recovery point (<name>_recover). The asm
// labels below give them fixed assembler names on every target, so the
// leading underscore of i686 Windows does not matter.
#define PYROLUX_SITE(name)                                                   \
    extern "C" char name##_fault[] __asm__("pyrolux_" #name "_fault");       \
    extern "C" char name##_recover[] __asm__("pyrolux_" #name "_recover");

extern "C" int GuardCpuid0() __asm__("pyrolux_cpuid0");
extern "C" int GuardPxor() __asm__("pyrolux_pxor");
extern "C" int GuardXorps() __asm__("pyrolux_xorps");
extern "C" int GuardXorpd() __asm__("pyrolux_xorpd");
extern "C" int GuardPfrcp() __asm__("pyrolux_pfrcp");
extern "C" int GuardRdtsc(std::uint64_t* ticks) __asm__("pyrolux_rdtsc");
extern "C" int GuardUd2() __asm__("pyrolux_ud2");
PYROLUX_SITE(cpuid0)
PYROLUX_SITE(pxor)
PYROLUX_SITE(xorps)
PYROLUX_SITE(xorpd)
PYROLUX_SITE(pfrcp)
PYROLUX_SITE(rdtsc)
PYROLUX_SITE(ud2)

#if defined(__x86_64__)
#define PYROLUX_BX "%rbx"
#else
#define PYROLUX_BX "%ebx"
#endif

#if defined(_WIN32) && defined(__i386__)
// 32-bit Windows: every routine registers an exception frame on the thread's own
// chain (fs:[0]) around its instruction, as compilers do for __try: the
// frame (handler, previous record) lives on the stack, fs:[0] points at it
// while the instruction runs, and both paths put the previous record back.
// Windows 95 and NT 3.1 already dispatch faults this way; the chain stays
// intact for SEHOP's check. The stack pointer at the recovery point equals
// the one at the fault, so the frame is still on top there. GCC's C++
// exceptions on i686 unwind with DWARF tables and never use this chain.
extern "C" EXCEPTION_DISPOSITION OnProbeFault(EXCEPTION_RECORD*, void*, CONTEXT*, void*)
    __asm__("pyrolux_probe_handler");
#define PYROLUX_ENTER                                                        \
    "    pushl $pyrolux_probe_handler\n"                                     \
    "    pushl %fs:0\n"                                                      \
    "    movl %esp, %fs:0\n"
#define PYROLUX_LEAVE                                                        \
    "    popl %fs:0\n"                                                       \
    "    addl $4, %esp\n"
#else
// Elsewhere a process-wide handler finds the routine by address: a signal
// handler, or on 64-bit Windows (only the never-shipped 64-bit twin; every
// x64 Windows has them) a vectored exception handler.
#define PYROLUX_ENTER ""
#define PYROLUX_LEAVE ""
#endif

// A routine that executes one instruction and returns 1; its recovery point
// returns 0.
#define PYROLUX_SIMPLE_ROUTINE(name, instruction, after)                     \
    ".p2align 4\n"                                                           \
    "pyrolux_" name ":\n"                                                    \
    PYROLUX_ENTER                                                            \
    "pyrolux_" name "_fault:\n"                                              \
    "    " instruction "\n"                                                  \
    "    " after "\n"                                                        \
    "    movl $1, %eax\n"                                                    \
    PYROLUX_LEAVE                                                            \
    "    ret\n"                                                              \
    "pyrolux_" name "_recover:\n"                                            \
    "    xorl %eax, %eax\n"                                                  \
    PYROLUX_LEAVE                                                            \
    "    ret\n"

__asm__(
    ".text\n"
    // CPUID clobbers EBX, which the caller owns: save it around the
    // instruction and restore it on both paths.
    ".p2align 4\n"
    "pyrolux_cpuid0:\n"
    "    push " PYROLUX_BX "\n"
    PYROLUX_ENTER
    "    xorl %eax, %eax\n"
    "    xorl %ecx, %ecx\n"
    "pyrolux_cpuid0_fault:\n"
    "    cpuid\n"
    PYROLUX_LEAVE
    "    pop " PYROLUX_BX "\n"
    "    movl $1, %eax\n"
    "    ret\n"
    "pyrolux_cpuid0_recover:\n"
    PYROLUX_LEAVE
    "    pop " PYROLUX_BX "\n"
    "    xorl %eax, %eax\n"
    "    ret\n"
    PYROLUX_SIMPLE_ROUTINE("pxor", "pxor %mm0, %mm0", "emms")
    PYROLUX_SIMPLE_ROUTINE("xorps", "xorps %xmm0, %xmm0", "nop")
    PYROLUX_SIMPLE_ROUTINE("xorpd", "xorpd %xmm0, %xmm0", "nop")
    // PFRCP mm0,mm0 spelled out: 0F 0F /r with the opcode suffix 0x96.
    PYROLUX_SIMPLE_ROUTINE("pfrcp", ".byte 0x0f, 0x0f, 0xc0, 0x96", "emms")
    PYROLUX_SIMPLE_ROUTINE("ud2", "ud2", "nop")
    // RDTSC into *ticks (first argument: RDI on x86-64 System V, RCX on
    // x64 Windows, the stack on i686 cdecl).
    ".p2align 4\n"
    "pyrolux_rdtsc:\n"
#if defined(__x86_64__)
#if defined(_WIN32)
    "    movq %rcx, %r8\n"
#else
    "    movq %rdi, %r8\n"
#endif
    "pyrolux_rdtsc_fault:\n"
    "    rdtsc\n"
    "    movl %eax, (%r8)\n"
    "    movl %edx, 4(%r8)\n"
    "    movl $1, %eax\n"
    "    ret\n"
    "pyrolux_rdtsc_recover:\n"
    "    xorl %eax, %eax\n"
    "    ret\n"
#else
    "    movl 4(%esp), %ecx\n"
    PYROLUX_ENTER
    "pyrolux_rdtsc_fault:\n"
    "    rdtsc\n"
    "    movl %eax, (%ecx)\n"
    "    movl %edx, 4(%ecx)\n"
    "    movl $1, %eax\n"
    PYROLUX_LEAVE
    "    ret\n"
    "pyrolux_rdtsc_recover:\n"
    "    xorl %eax, %eax\n"
    PYROLUX_LEAVE
    "    ret\n"
#endif
    );

namespace {

struct GuardSite {
    const void* fault;
    const void* recover;
};

const GuardSite kSites[] = {
    {cpuid0_fault, cpuid0_recover}, {pxor_fault, pxor_recover},
    {xorps_fault, xorps_recover},   {xorpd_fault, xorpd_recover},
    {pfrcp_fault, pfrcp_recover},   {rdtsc_fault, rdtsc_recover},
    {ud2_fault, ud2_recover},
};

// The recovery address for a fault at `address`, or null when the fault is
// not one of ours.
const void* RecoveryAt(const void* address) {
    for (const GuardSite& site : kSites) {
        if (site.fault == address)
            return site.recover;
    }
    return nullptr;
}

}  // namespace

namespace FaultGuard {

const void* RecoveryFor(std::uint32_t code, std::uint32_t flags, const void* address) {
    // Only error-severity exceptions (illegal or privileged instruction,
    // access violation, ...): a debugger's breakpoint or single step at a
    // guarded instruction is not a fault of that instruction. A frame is
    // also called while an unwind passes by it; that is not a fault either.
    const std::uint32_t kErrorSeverity = 0xC0000000u;
    const std::uint32_t kUnwinding = 0x2u | 0x4u;  // EXCEPTION_UNWINDING, _EXIT_UNWIND
    if ((code & kErrorSeverity) != kErrorSeverity || (flags & kUnwinding) != 0)
        return nullptr;
    return RecoveryAt(address);
}

}  // namespace FaultGuard

#if defined(_WIN32)

namespace {

// Claims only a fault of a guarded instruction itself, raised at the very
// address execution stopped at (`ip`, the context's instruction pointer),
// and moves `ip` to that instruction's recovery point.
bool MoveToRecovery(const EXCEPTION_RECORD* record, ULONG_PTR& ip) {
    const void* recover = FaultGuard::RecoveryFor(
        record->ExceptionCode, record->ExceptionFlags, record->ExceptionAddress);
    if (!recover || ip != reinterpret_cast<ULONG_PTR>(record->ExceptionAddress))
        return false;
    ip = reinterpret_cast<ULONG_PTR>(recover);
    return true;
}

}  // namespace

#endif

#if defined(_WIN32) && defined(__i386__)

// The handler of every probe's exception frame (see PYROLUX_ENTER): every
// other exception goes on to the next frame of the chain.
extern "C" __attribute__((used)) EXCEPTION_DISPOSITION
OnProbeFault(EXCEPTION_RECORD* record, void*, CONTEXT* context, void*) {
    return MoveToRecovery(record, context->Eip) ? ExceptionContinueExecution
                                                : ExceptionContinueSearch;
}

namespace {

// Nothing to install: each routine brings its own frame.
void EnsureHandler() {}

}  // namespace

#elif defined(_WIN32)

namespace {

// The same claim as the 32-bit frames' handler, for the whole process.
LONG CALLBACK OnProbeFault(EXCEPTION_POINTERS* pointers) {
    return MoveToRecovery(pointers->ExceptionRecord, pointers->ContextRecord->Rip)
               ? EXCEPTION_CONTINUE_EXECUTION
               : EXCEPTION_CONTINUE_SEARCH;
}

void EnsureHandler() {
    static const PVOID handler = AddVectoredExceptionHandler(1, OnProbeFault);
    (void)handler;
}

}  // namespace

#else

namespace {

const int kSignals[] = {SIGILL, SIGSEGV, SIGBUS, SIGFPE};
struct sigaction g_previous[sizeof kSignals / sizeof kSignals[0]];

void OnSignal(int signal, siginfo_t* info, void* context) {
    ucontext_t* uc = static_cast<ucontext_t*>(context);
#if defined(__x86_64__)
    greg_t& ip = uc->uc_mcontext.gregs[REG_RIP];
#else
    greg_t& ip = uc->uc_mcontext.gregs[REG_EIP];
#endif
    const void* at = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(ip));
    if (const void* recover = RecoveryAt(at)) {
        ip = static_cast<greg_t>(reinterpret_cast<std::uintptr_t>(recover));
        return;
    }
    // Not ours: hand it to whoever was there before, or let it kill the
    // process as it would have without us (the faulting instruction runs
    // again with the default action in place).
    for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
        if (kSignals[i] != signal)
            continue;
        const struct sigaction& previous = g_previous[i];
        if (previous.sa_flags & SA_SIGINFO) {
            if (previous.sa_sigaction) {
                previous.sa_sigaction(signal, info, context);
                return;
            }
        } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
            previous.sa_handler(signal);
            return;
        }
    }
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
}

void InstallHandler() {
    struct sigaction action = {};
    action.sa_sigaction = OnSignal;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
        sigaction(kSignals[i], &action, &g_previous[i]);
}

std::once_flag g_installed;

void EnsureHandler() {
    std::call_once(g_installed, InstallHandler);
}

}  // namespace

#endif

namespace FaultGuard {

bool ExecuteCpuid0() { EnsureHandler(); return GuardCpuid0() != 0; }
bool ExecutePxorMmx() { EnsureHandler(); return GuardPxor() != 0; }
bool ExecuteXorps() { EnsureHandler(); return GuardXorps() != 0; }
bool ExecuteXorpd() { EnsureHandler(); return GuardXorpd() != 0; }
bool ExecutePfrcp() { EnsureHandler(); return GuardPfrcp() != 0; }
bool ExecuteUndefined() { EnsureHandler(); return GuardUd2() != 0; }

bool ExecuteRdtsc(std::uint64_t* ticks) {
    EnsureHandler();
    std::uint64_t value = 0;
    if (!GuardRdtsc(&value))
        return false;
    *ticks = value;
    return true;
}

}  // namespace FaultGuard

#else  // not x86: none of these instructions exist here.

namespace FaultGuard {

bool ExecuteCpuid0() { return false; }
bool ExecutePxorMmx() { return false; }
bool ExecuteXorps() { return false; }
bool ExecuteXorpd() { return false; }
bool ExecutePfrcp() { return false; }
bool ExecuteUndefined() { return false; }
bool ExecuteRdtsc(std::uint64_t*) { return false; }
const void* RecoveryFor(std::uint32_t, std::uint32_t, const void*) { return nullptr; }

}  // namespace FaultGuard

#endif
