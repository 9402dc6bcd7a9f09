// The fault guard: a structured exception frame built by hand, since the compiler
// offers no __try/__except.
//
// On i686 the frame is a registration record pushed on the thread's exception
// list (at fs:0), exactly what a compiler-made frame does; on x86-64
// the guard function names its handler in its unwind data. The handler consults
// UnhandledExceptionFilter; to recover, it unwinds the frames above the guard
// (running their termination handlers) and jumps back into RunGuarded with
// __builtin_longjmp, which restores only the stack and frame registers.
#include "shell/fault_guard_win32.h"

#include <windows.h>

#include "shell/password_win32.h"

namespace {

// Where the handler resumes RunGuarded; one per active guard.
struct GuardFrame {
#if defined(__i386__)
  // Layout of EXCEPTION_REGISTRATION_RECORD: the system walks these two fields.
  GuardFrame* next;
  void* handler;
#endif
  void* resume[5];  // __builtin_setjmp's buffer
};

#if defined(__x86_64__)
// The active guard of the thread; the x86-64 handler gets only the establisher
// frame (the guard function's stack), not a record of ours.
thread_local GuardFrame* activeGuard = nullptr;
#endif

LONG AskSystem(EXCEPTION_RECORD* record, CONTEXT* context) {
  EXCEPTION_POINTERS pointers{record, context};
  return UnhandledExceptionFilter(&pointers);
}

}  // namespace

#if defined(__i386__)

// The head of the thread's exception list, at offset 0 of the thread block that fs addresses.
void* ReadExceptionList() {
  void* head;
  asm volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void WriteExceptionList(void* head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

extern "C" EXCEPTION_DISPOSITION __cdecl SaverGuardHandler(EXCEPTION_RECORD* record, void* establisher,
                                                           CONTEXT* context, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
  const LONG verdict = AskSystem(record, context);
  if (verdict == EXCEPTION_CONTINUE_EXECUTION) return ExceptionContinueExecution;
  if (verdict != EXCEPTION_EXECUTE_HANDLER) return ExceptionContinueSearch;
  // Removes every frame above ours (their handlers see the unwind) and returns here.
  RtlUnwind(establisher, nullptr, record, nullptr);
  __builtin_longjmp(static_cast<GuardFrame*>(establisher)->resume, 1);
}

int32_t RunGuarded(GuardedBodyFn body, void* context, int32_t faultResult) {
  GuardFrame frame{};
  frame.handler = reinterpret_cast<void*>(&SaverGuardHandler);
  if (__builtin_setjmp(frame.resume) != 0) {
    // The unwind left our record at the head of the list.
    WriteExceptionList(frame.next);
    SetScreenSaverRunning(0);
    return faultResult;
  }
  frame.next = static_cast<GuardFrame*>(ReadExceptionList());
  WriteExceptionList(&frame);
  const int32_t result = body(context);
  WriteExceptionList(frame.next);
  return result;
}

#elif defined(__x86_64__)

// Runs on the faulting stack once the system has finished dispatching the fault.
[[noreturn]] void ResumeAtGuard() { __builtin_longjmp(activeGuard->resume, 1); }

extern "C" EXCEPTION_DISPOSITION SaverGuardHandler(EXCEPTION_RECORD* record, void*, CONTEXT* context, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
  const LONG verdict = AskSystem(record, context);
  if (verdict == EXCEPTION_CONTINUE_EXECUTION) return ExceptionContinueExecution;
  if (verdict != EXCEPTION_EXECUTE_HANDLER) return ExceptionContinueSearch;
  // Jumping straight out of the dispatcher would leave its bookkeeping behind, so
  // the fault "continues" into ResumeAtGuard, below the faulting frame, with the
  // stack aligned as just after a call. Frames on x86-64 are described by tables,
  // not linked on the stack, so no list needs repair; termination handlers of the
  // frames in between are skipped.
  context->Rsp = ((context->Rsp - 512) & ~static_cast<DWORD64>(15)) - 8;
  context->Rip = reinterpret_cast<DWORD64>(&ResumeAtGuard);
  return ExceptionContinueExecution;
}

int32_t RunGuarded(GuardedBodyFn body, void* context, int32_t faultResult) {
  // Names the handler in this function's unwind data.
  asm volatile(".seh_handler SaverGuardHandler, @except");
  GuardFrame frame{};
  GuardFrame* outer = activeGuard;
  if (__builtin_setjmp(frame.resume) != 0) {
    activeGuard = outer;
    SetScreenSaverRunning(0);
    return faultResult;
  }
  activeGuard = &frame;
  const int32_t result = body(context);
  activeGuard = outer;
  return result;
}

#else
#error "The fault guard knows i686 and x86-64 only."
#endif
