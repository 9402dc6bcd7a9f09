// The fault guard: a structured exception frame built by hand, since the compiler
// offers no __try/__except.
//
// On i686 the frame is a registration record pushed on the thread's exception
// list (at fs:0), exactly what a compiler-made frame does; on x86-64 the guard
// function names its handler in its unwind data. The handler consults
// UnhandledExceptionFilter; to recover, it has the system unwind the frames above
// the guard (running their termination handlers) and resumes in RunGuarded with
// __builtin_longjmp, which restores only the stack and frame registers. Nothing
// ever continues the faulting code, so exceptions that cannot be continued are
// recovered from like any other.
#include "shell/fault_guard_win32.h"

#include <windows.h>

#include <cstdint>

#include "shell/password_win32.h"

namespace {

// Where the handler resumes RunGuarded; one per active guard.
struct GuardFrame {
#if defined(__i386__)
  // Layout of EXCEPTION_REGISTRATION_RECORD: the system walks these two fields.
  GuardFrame* next;
  void* handler;
#else
  GuardFrame* outer;  // the thread's next guard further out
#endif
  void* resume[5];  // __builtin_setjmp's buffer
};

LONG AskSystem(EXCEPTION_RECORD* record, CONTEXT* context) {
  EXCEPTION_POINTERS pointers{record, context};
  return UnhandledExceptionFilter(&pointers);
}

struct WindowCall {
  WNDPROC procedure;
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result;
};

int32_t CallWindowProcedure(void* context) {
  auto* call = static_cast<WindowCall*>(context);
  call->result = call->procedure(call->window, call->message, call->wParam, call->lParam);
  return 0;
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

// RtlUnwind(frame, 0, record, 0): removes every registration record above `frame`
// (their handlers see the unwind) and returns. It does not keep EBX, ESI and EDI
// as an ordinary function must, so the call is made here with those registers
// declared clobbered: the compiler keeps nothing in them across it.
void UnwindFramesAbove(void* frame, EXCEPTION_RECORD* record) {
  void* unwind = reinterpret_cast<void*>(&RtlUnwind);
  asm volatile(
      "pushl $0\n\t"   // return value
      "pushl %1\n\t"   // exception record
      "pushl $0\n\t"   // target address: unused on i686
      "pushl %0\n\t"   // target frame
      "call *%2"       // stdcall: pops its arguments
      : "+a"(frame), "+c"(record), "+d"(unwind)
      :
      : "ebx", "esi", "edi", "memory", "cc");
}

extern "C" EXCEPTION_DISPOSITION __cdecl SaverGuardHandler(EXCEPTION_RECORD* record, void* establisher,
                                                           CONTEXT* context, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
  const LONG verdict = AskSystem(record, context);
  if (verdict == EXCEPTION_CONTINUE_EXECUTION) return ExceptionContinueExecution;
  if (verdict != EXCEPTION_EXECUTE_HANDLER) return ExceptionContinueSearch;
  auto* guard = static_cast<GuardFrame*>(establisher);
  UnwindFramesAbove(guard, record);
  __builtin_longjmp(guard->resume, 1);
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

namespace {

// The thread's innermost active guard; the x86-64 handler gets only the
// establisher frame (the guard function's stack), not a record of ours.
thread_local GuardFrame* activeGuard = nullptr;

// The guard whose RunGuarded owns `establisher`. A guard's record lies in its
// RunGuarded's frame, at or above the stack pointer that the establisher frame
// is, and below the frames of guards further out.
GuardFrame* GuardOf(void* establisher) {
  GuardFrame* guard = activeGuard;
  while (guard != nullptr && reinterpret_cast<uintptr_t>(guard) < reinterpret_cast<uintptr_t>(establisher)) {
    guard = guard->outer;
  }
  return guard;
}

}  // namespace

// Where the unwind ends: on RunGuarded's stack as it was when it called the body,
// reached by a jump rather than a call, hence the realignment.
[[noreturn, gnu::force_align_arg_pointer]] void ResumeAtGuard() { __builtin_longjmp(activeGuard->resume, 1); }

extern "C" EXCEPTION_DISPOSITION SaverGuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT* context,
                                                   void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
  GuardFrame* guard = GuardOf(establisher);
  if (guard == nullptr) return ExceptionContinueSearch;
  const LONG verdict = AskSystem(record, context);
  if (verdict == EXCEPTION_CONTINUE_EXECUTION) return ExceptionContinueExecution;
  if (verdict != EXCEPTION_EXECUTE_HANDLER) return ExceptionContinueSearch;
  // Unwinds the dispatcher and every frame up to the guard's, running their
  // termination handlers, and jumps to ResumeAtGuard; it does not return.
  activeGuard = guard;
  RtlUnwind(establisher, reinterpret_cast<void*>(&ResumeAtGuard), record, nullptr);
  __builtin_unreachable();
}

int32_t RunGuarded(GuardedBodyFn body, void* context, int32_t faultResult) {
  // Names the handler in this function's unwind data.
  asm volatile(".seh_handler SaverGuardHandler, @except");
  GuardFrame frame{};
  frame.outer = activeGuard;
  if (__builtin_setjmp(frame.resume) != 0) {
    activeGuard = frame.outer;
    SetScreenSaverRunning(0);
    return faultResult;
  }
  activeGuard = &frame;
  const int32_t result = body(context);
  activeGuard = frame.outer;
  return result;
}

#else
#error "The fault guard knows i686 and x86-64 only."
#endif

LRESULT CallWindowProcedureGuarded(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   int32_t faultExitCode) {
  WindowCall call{procedure, window, message, wParam, lParam, 0};
  if (RunGuarded(CallWindowProcedure, &call, 1) != 0) ExitProcess(static_cast<UINT>(faultExitCode));
  return call.result;
}
