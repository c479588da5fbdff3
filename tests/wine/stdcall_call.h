#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

// Calls a stdcall function the way a Visual Basic program does: every argument one 32-bit
// slot, pushed last to first, the callee removing them. Also tells whether the stack pointer
// came back where it was, which it does only when the callee removed exactly its slots.
struct StdcallResult {
  std::uint32_t eax;
  bool balanced;
};

inline StdcallResult CallStdcall(void* function, std::initializer_list<std::uint32_t> args) {
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
