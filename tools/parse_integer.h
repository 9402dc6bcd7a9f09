// Strict parsing of the host tools' command-line values: integers, monitor layouts and choices.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "animation/desktop.h"

// Parses the whole of `text` as a decimal integer in [low, high]; false on an
// empty or absent text, trailing characters, overflow or a value out of range.
inline bool ParseInteger(const char* text, int64_t low, int64_t high, int64_t& out) {
  if (text == nullptr || *text == '\0') return false;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || value < low || value > high) return false;
  out = value;
  return true;
}

constexpr int64_t kMaxLayoutCoordinate = 1 << 20;
constexpr size_t kMaxLayoutMonitors = 16;

// Parses a monitor layout "X,Y,W,H[;X,Y,W,H...]": each monitor's top-left corner
// in desktop pixels and its size (1 or more), the first monitor primary. False
// on anything else, or more than kMaxLayoutMonitors monitors.
inline bool ParseLayout(const char* text, std::vector<ScreenRect>& out) {
  if (text == nullptr) return false;
  std::vector<ScreenRect> monitors;
  const std::string all = text;
  size_t start = 0;
  while (true) {
    const size_t end = std::min(all.find(';', start), all.size());
    int64_t v[4];
    size_t field = start;
    for (int i = 0; i < 4; ++i) {
      const size_t comma = i < 3 ? all.find(',', field) : end;
      if (comma == std::string::npos || comma > end) return false;
      const std::string number = all.substr(field, comma - field);
      const int64_t low = i < 2 ? -kMaxLayoutCoordinate : 1;
      if (!ParseInteger(number.c_str(), low, kMaxLayoutCoordinate, v[i])) return false;
      field = comma + 1;
    }
    monitors.push_back({static_cast<int32_t>(v[0]), static_cast<int32_t>(v[1]), static_cast<int32_t>(v[0] + v[2]),
                        static_cast<int32_t>(v[1] + v[3])});
    if (monitors.size() > kMaxLayoutMonitors) return false;
    if (end == all.size()) break;
    start = end + 1;
  }
  out = monitors;
  return true;
}

// The desktop options both tools take. When `name` is "--layout" or
// "--monitors" (each at most once), parses `value` into `layout` or `monitors`
// and sets `ok` to whether it was good; returns false for any other name.
struct DesktopOptions {
  std::vector<ScreenRect> layout;
  MonitorChoice monitors = kDefaultMonitorChoice;
  bool monitorsGiven = false;

  bool Parse(const std::string& name, const char* value, bool& ok) {
    if (name == "--layout") {
      ok = layout.empty() && ParseLayout(value, layout);
    } else if (name == "--monitors") {
      ok = !monitorsGiven && (monitorsGiven = ParseMonitorChoice(value, monitors));
    } else {
      return false;
    }
    return true;
  }

  // A window of --width x --height is a layout of one monitor at the origin.
  // False when a layout and a size are both given or neither is, or the size
  // lacks a side.
  bool Settle(int64_t width, int64_t height) {
    if (layout.empty() == (width < 0 && height < 0)) return false;
    if (layout.empty()) {
      if (width < 0 || height < 0) return false;
      layout.push_back({0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)});
    }
    return true;
  }
};
