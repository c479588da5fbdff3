#pragma once

#include <oleauto.h>
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

// Calls an export of the library the way a Visual Basic program does, and tells whether the
// stack pointer came back where it was.
struct CallResult {
  std::uintptr_t value;  // eax or rax
  bool balanced;
};

#if defined(__i386__)
// stdcall: every argument one 32-bit slot, pushed last to first, the callee removing them; the
// stack comes back only when the callee removed exactly its slots.
inline CallResult CallExport(void* function, std::initializer_list<std::uintptr_t> args) {
  std::vector<std::uint32_t> slots(args);
  std::uint32_t count = static_cast<std::uint32_t>(slots.size());
  const std::uint32_t* base = slots.data();
  std::uint32_t eax, before, after;
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "1:\n\t"
      "testl %%ecx, %%ecx\n\t"
      "jz 2f\n\t"
      "pushl -4(%%edx,%%ecx,4)\n\t"
      "decl %%ecx\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "call *%%ebx\n\t"
      "movl %%esp, %%edi\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(eax), "=S"(before), "=D"(after), "+c"(count), "+d"(base)
      : "b"(function)
      : "memory", "cc");
  return {eax, before == after};
}
#else
// 64-bit Windows has one calling convention: up to four arguments in registers, each a 64-bit
// slot, and the caller keeps the stack, so it is always balanced.
inline CallResult CallExport(void* function, std::initializer_list<std::uintptr_t> args) {
  using Slot = std::uintptr_t;
  const std::vector<Slot> a(args);
  switch (a.size()) {
    case 0:
      return {reinterpret_cast<Slot (*)()>(function)(), true};
    case 1:
      return {reinterpret_cast<Slot (*)(Slot)>(function)(a[0]), true};
    case 2:
      return {reinterpret_cast<Slot (*)(Slot, Slot)>(function)(a[0], a[1]), true};
    case 3:
      return {reinterpret_cast<Slot (*)(Slot, Slot, Slot)>(function)(a[0], a[1], a[2]), true};
  }
  return {0, false};
}
#endif

// A number as Visual Basic hands it by reference: a VARIANT holding a Long.
inline VARIANT I4(std::int32_t value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}
