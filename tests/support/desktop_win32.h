// Helpers of the Windows test suites for the desktop's settings and the stand-ins
// of system components: registry values put back after a test, the
// screen-saver-running setting, the directory the stand-ins are built into.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace test_support {

// A registry value of the current user, put back as it was when the test ends.
class RegistryValueGuard {
 public:
  RegistryValueGuard(const char* keyPath, const char* name) : keyPath_(keyPath), name_(name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      DWORD size = 0;
      if (RegQueryValueExA(key, name, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        data_.resize(size);
        existed_ = RegQueryValueExA(key, name, nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
      }
      RegCloseKey(key);
    }
  }
  ~RegistryValueGuard() {
    if (existed_) {
      Set(type_, data_.data(), static_cast<DWORD>(data_.size()));
    } else {
      Remove();
    }
  }
  void Set(DWORD type, const void* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
      RegSetValueExA(key, name_, 0, type, static_cast<const BYTE*>(data), size);
      RegCloseKey(key);
    }
  }
  void SetDword(DWORD value) { Set(REG_DWORD, &value, sizeof value); }
  void SetString(const char* text) { Set(REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1)); }
  void Remove() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, name_);
      RegCloseKey(key);
    }
  }

 private:
  const char* keyPath_;
  const char* name_;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
  bool existed_ = false;
};

// The screen-saver-running setting as this process sees it: 1 or 0.
inline UINT ScreenSaverRunning() {
  BOOL running = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  return running ? 1 : 0;
}

// The running test program's directory, where the saver and the stand-ins are built.
inline std::string BinDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string text(path);
  return text.substr(0, text.find_last_of("\\/"));
}

}  // namespace test_support
