// Test helpers for the settings tests: the real "CONTROL.INI" of the Wine prefix.
#pragma once

#include <windows.h>

#include <string>

#include "shell/shell_state_win32.h"

namespace settings_test {

inline std::string ProfilePath() {
  char directory[MAX_PATH] = {};
  GetWindowsDirectoryA(directory, MAX_PATH);
  return std::string(directory) + "\\CONTROL.INI";
}

// The profile functions may keep a file cached; this call flushes and drops the
// cache so the next read sees what is on disk.
inline void ForgetCachedProfile() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, "CONTROL.INI");
}

inline void RemoveProfile() {
  ForgetCachedProfile();
  const std::string path = ProfilePath();
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
  ForgetCachedProfile();
}

// Replaces the file with exactly `bytes`.
inline void WriteProfile(const std::string& bytes) {
  RemoveProfile();
  HANDLE file = CreateFileA(ProfilePath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ForgetCachedProfile();
}

// Keeps the file unwritable while it lives: the read-only attribute, and an open
// handle that shares reading only. The handle is needed because Wine maps the
// attribute to the file's Unix mode, which a process running as root writes
// through anyway.
class ReadOnlyProfile {
 public:
  ReadOnlyProfile() {
    ForgetCachedProfile();
    SetFileAttributesA(ProfilePath().c_str(), FILE_ATTRIBUTE_READONLY);
    lock_ = CreateFileA(ProfilePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  ~ReadOnlyProfile() {
    if (lock_ != INVALID_HANDLE_VALUE) CloseHandle(lock_);
    SetFileAttributesA(ProfilePath().c_str(), FILE_ATTRIBUTE_NORMAL);
    ForgetCachedProfile();
  }
  ReadOnlyProfile(const ReadOnlyProfile&) = delete;
  ReadOnlyProfile& operator=(const ReadOnlyProfile&) = delete;

  // Whether the file really refuses a writer, checked the way the profile
  // functions open it.
  static bool RefusesWriting() {
    HANDLE file = CreateFileA(ProfilePath().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    CloseHandle(file);
    return false;
  }

 private:
  HANDLE lock_ = INVALID_HANDLE_VALUE;
};

// The file's bytes as they are on disk, or "<no file>".
inline std::string ReadProfile() {
  HANDLE file = CreateFileA(ProfilePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<no file>";
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

// The settings code reads string 1007 from the module the shell keeps: the test
// program carries the same resources.
inline void UseTestModuleResources() { TheShellState().instance = GetModuleHandleA(nullptr); }

}  // namespace settings_test
