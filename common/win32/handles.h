// UniqueHandle instances for the Win32 handles the programs own.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"

namespace morvane {

struct KernelHandleTraits {
  static HANDLE empty() { return nullptr; }
  static void close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;

// CreateFile reports failure as INVALID_HANDLE_VALUE rather than null.
struct FileHandleTraits {
  static HANDLE empty() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueFileHandle = UniqueHandle<HANDLE, FileHandleTraits>;

}  // namespace morvane
