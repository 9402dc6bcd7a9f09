// The fault guard: a structured exception frame built by hand, since the compiler
// offers no __try/__except.
//
// On i686 the frame is a registration record pushed on the thread's exception
// list (at fs:0), exactly what a compiler-made frame does; on x86-64 the guard
// function names its handler in its unwind data. The handler consults
// UnhandledExceptionFilter; to recover, it has the system unwind the frames above
// the guard (running their termination handlers) and resumes in RunGuarded where
// __builtin_setjmp left it, restoring only the stack and frame registers. Nothing
// ever continues the faulting code, so exceptions that cannot be continued are
// recovered from like any other.
//
// A fault while the handler consults the filter (in the filter itself, or in a
// top-level filter that a library installed) reaches the same guard again,
// marked as nested: that guard then turns the screen-saver-running setting off
// and leaves the exception to the frames further out, instead of asking the
// faulting filter again and again until the stack is gone.
#include "shell/fault_guard_win32.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "shell/password_win32.h"

namespace {

// Where the handler resumes RunGuarded; one per active guard.
struct GuardFrame {
#if defined(__i386__)
  // Layout of EXCEPTION_REGISTRATION_RECORD: the system walks these two fields.
  GuardFrame* next;
  void* handler;
  void* resume[5];  // __builtin_setjmp's buffer
#else
  void* resume[5];    // __builtin_setjmp's buffer, first: ResumeAtGuard reads it
  GuardFrame* outer;  // the thread's next guard further out
#endif
};

// Whether the handler leaves this exception to others: an unwind passing through,
// or a fault in its own consultation of the filter.
bool LeftToOthers(const EXCEPTION_RECORD* record) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return true;
  if ((record->ExceptionFlags & EXCEPTION_NESTED_CALL) == 0) return false;
  // Whatever the frames further out do may fault again or end the process.
  SetScreenSaverRunning(0);
  return true;
}

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
  if (LeftToOthers(record)) return ExceptionContinueSearch;
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

// Where the unwind ends, with the guard's record in RAX (RtlUnwind's return
// value). It runs on RunGuarded's stack as it was when RunGuarded called the body,
// which no function could be entered on (the alignment would be off by 8 and no
// return address is there), so it calls nothing: it does what __builtin_longjmp
// does with the buffer of __builtin_setjmp (frame register, resume address,
// stack pointer) and jumps back into RunGuarded.
extern "C" [[noreturn]] void ResumeAtGuard();
asm(R"(
    .text
    .p2align 4
ResumeAtGuard:
    movq 16(%rax), %rsp
    movq (%rax), %rbp
    jmpq *8(%rax)
)");

extern "C" EXCEPTION_DISPOSITION SaverGuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT* context,
                                                   void*) {
  if (LeftToOthers(record)) return ExceptionContinueSearch;
  GuardFrame* guard = GuardOf(establisher);
  if (guard == nullptr) return ExceptionContinueSearch;
  const LONG verdict = AskSystem(record, context);
  if (verdict == EXCEPTION_CONTINUE_EXECUTION) return ExceptionContinueExecution;
  if (verdict != EXCEPTION_EXECUTE_HANDLER) return ExceptionContinueSearch;
  // Unwinds the dispatcher and every frame up to the guard's, running their
  // termination handlers, and jumps to ResumeAtGuard; it does not return.
  static_assert(offsetof(GuardFrame, resume) == 0);
  RtlUnwind(establisher, reinterpret_cast<void*>(&ResumeAtGuard), record, guard);
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

void EndAfterFatalError(UINT exitCode) {
  SetScreenSaverRunning(0);
  ExitProcess(exitCode);
}
