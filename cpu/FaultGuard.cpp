#include "FaultGuard.h"

#include <mutex>

#if defined(__i386__) || defined(__x86_64__)
#define PYROLUX_X86 1
#endif

#if defined(PYROLUX_X86) && defined(_WIN32)
#include <windows.h>
#elif defined(PYROLUX_X86)
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

// A routine that executes one instruction and returns 1; its recovery point
// returns 0.
#define PYROLUX_SIMPLE_ROUTINE(name, instruction, after)                     \
    ".p2align 4\n"                                                           \
    "pyrolux_" name ":\n"                                                    \
    "pyrolux_" name "_fault:\n"                                              \
    "    " instruction "\n"                                                  \
    "    " after "\n"                                                        \
    "    movl $1, %eax\n"                                                    \
    "    ret\n"                                                              \
    "pyrolux_" name "_recover:\n"                                            \
    "    xorl %eax, %eax\n"                                                  \
    "    ret\n"

__asm__(
    ".text\n"
    // CPUID clobbers EBX, which the caller owns: save it around the
    // instruction and restore it on both paths.
    ".p2align 4\n"
    "pyrolux_cpuid0:\n"
    "    push " PYROLUX_BX "\n"
    "    xorl %eax, %eax\n"
    "    xorl %ecx, %ecx\n"
    "pyrolux_cpuid0_fault:\n"
    "    cpuid\n"
    "    pop " PYROLUX_BX "\n"
    "    movl $1, %eax\n"
    "    ret\n"
    "pyrolux_cpuid0_recover:\n"
    "    pop " PYROLUX_BX "\n"
    "    xorl %eax, %eax\n"
    "    ret\n"
    PYROLUX_SIMPLE_ROUTINE("pxor", "pxor %mm0, %mm0", "emms")
    PYROLUX_SIMPLE_ROUTINE("xorps", "xorps %xmm0, %xmm0", "nop")
    PYROLUX_SIMPLE_ROUTINE("xorpd", "xorpd %xmm0, %xmm0", "nop")
    // PFRCP mm0,mm0 spelled out: 0F 0F /r with the opcode suffix 0x96.
    PYROLUX_SIMPLE_ROUTINE("pfrcp", ".byte 0x0f, 0x0f, 0xc0, 0x96", "emms")
    PYROLUX_SIMPLE_ROUTINE("ud2", "ud2", "nop")
    // RDTSC into *ticks (first argument: RDI on x86-64 System V, the stack
    // on i686 cdecl).
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
#else
    "    movl 4(%esp), %ecx\n"
    "pyrolux_rdtsc_fault:\n"
    "    rdtsc\n"
    "    movl %eax, (%ecx)\n"
    "    movl %edx, 4(%ecx)\n"
#endif
    "    movl $1, %eax\n"
    "    ret\n"
    "pyrolux_rdtsc_recover:\n"
    "    xorl %eax, %eax\n"
    "    ret\n");

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
const void* RecoveryFor(std::uintptr_t address) {
    for (const GuardSite& site : kSites) {
        if (reinterpret_cast<std::uintptr_t>(site.fault) == address)
            return site.recover;
    }
    return nullptr;
}

#if defined(_WIN32)

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
    // Only error-severity exceptions (illegal or privileged instruction,
    // access violation, ...): a debugger's breakpoint or single step at a
    // guarded instruction is not a fault of that instruction.
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if ((code & 0xC0000000u) != 0xC0000000u)
        return EXCEPTION_CONTINUE_SEARCH;
    const std::uintptr_t address =
        reinterpret_cast<std::uintptr_t>(info->ExceptionRecord->ExceptionAddress);
#if defined(__x86_64__)
    DWORD64& ip = info->ContextRecord->Rip;
#else
    DWORD& ip = info->ContextRecord->Eip;
#endif
    if (ip != address)
        return EXCEPTION_CONTINUE_SEARCH;
    const void* recover = RecoveryFor(address);
    if (!recover)
        return EXCEPTION_CONTINUE_SEARCH;
    ip = reinterpret_cast<std::uintptr_t>(recover);
    return EXCEPTION_CONTINUE_EXECUTION;
}

void InstallHandler() {
    // First in the chain; stays for the life of the process.
    AddVectoredExceptionHandler(1, OnException);
}

#else

const int kSignals[] = {SIGILL, SIGSEGV, SIGBUS, SIGFPE};
struct sigaction g_previous[sizeof kSignals / sizeof kSignals[0]];

void OnSignal(int signal, siginfo_t* info, void* context) {
    ucontext_t* uc = static_cast<ucontext_t*>(context);
#if defined(__x86_64__)
    greg_t& ip = uc->uc_mcontext.gregs[REG_RIP];
#else
    greg_t& ip = uc->uc_mcontext.gregs[REG_EIP];
#endif
    if (const void* recover = RecoveryFor(static_cast<std::uintptr_t>(ip))) {
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

#endif

std::once_flag g_installed;

void EnsureHandler() {
    std::call_once(g_installed, InstallHandler);
}

}  // namespace

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

}  // namespace FaultGuard

#endif
