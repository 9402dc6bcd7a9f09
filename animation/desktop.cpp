// The monitors the saver shows on and how the animation spreads over them.
#include "animation/desktop.h"

#include <algorithm>
#include <cstring>

#include "sprites/present_scale.h"

namespace {

constexpr const char* kChoiceNames[] = {"main", "each", "across"};

bool IsEmpty(const ScreenRect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool EqualIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    const char lower = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a - 'A' + 'a') : *a;
    if (lower != *b) return false;
  }
  return *a == *b;
}

ScreenRect Shift(ScreenRect r, int32_t dx, int32_t dy) { return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

}  // namespace

bool ParseMonitorChoice(const char* text, MonitorChoice& choice) {
  if (text == nullptr) return false;
  for (int32_t i = 0; i < 3; ++i) {
    if (EqualIgnoringCase(text, kChoiceNames[i])) {
      choice = static_cast<MonitorChoice>(i);
      return true;
    }
  }
  return false;
}

const char* MonitorChoiceName(MonitorChoice choice) {
  const auto i = static_cast<int32_t>(choice);
  return i >= 0 && i < 3 ? kChoiceNames[i] : kChoiceNames[static_cast<int32_t>(kDefaultMonitorChoice)];
}

uint32_t AnimationSeed(uint32_t seed, int32_t k) { return seed + static_cast<uint32_t>(k) * 2654435769u; }

ScreenRect FindDesktopBounds(const std::vector<ScreenRect>& monitors) {
  ScreenRect bounds{};
  bool any = false;
  for (const ScreenRect& m : monitors) {
    if (IsEmpty(m)) continue;
    bounds = any ? ScreenRect{std::min(bounds.left, m.left), std::min(bounds.top, m.top),
                              std::max(bounds.right, m.right), std::max(bounds.bottom, m.bottom)}
                 : m;
    any = true;
  }
  return bounds;
}

void PlanDesktop(Desktop& desktop, MonitorChoice choice, const std::vector<ScreenRect>& monitors) {
  desktop.choice = choice;
  desktop.monitors = monitors;
  desktop.bounds = FindDesktopBounds(monitors);
  desktop.views.clear();
  auto add = [&](ScreenRect area) {
    auto view = std::make_unique<DesktopView>();
    view->area = area;
    desktop.views.push_back(std::move(view));
  };
  if (monitors.empty()) {
    add({});
    return;
  }
  switch (choice) {
    case MonitorChoice::Main:
      add(monitors.front());
      break;
    case MonitorChoice::Each: {
      std::vector<ScreenRect> areas;
      for (const ScreenRect& m : monitors) {
        if (IsEmpty(m) || std::find(areas.begin(), areas.end(), m) != areas.end()) continue;
        areas.push_back(m);
        add(m);
      }
      if (areas.empty()) add(monitors.front());
      break;
    }
    case MonitorChoice::Across:
      add(desktop.bounds);
      break;
  }
}

void SetUpDesktop(Desktop& desktop, const SaverSettings& settings, uint32_t seed, const ScenePlatform* platform) {
  int32_t k = 0;
  for (auto& view : desktop.views) {
    AnimationState& state = view->state;
    const ScreenRect& area = view->area;
    const int32_t scale = std::clamp(view->scale, kMinPresentScale, kMaxPresentScale);
    state.scale = scale;
    state.width = AnimationSide(area.right - area.left, scale);
    state.height = AnimationSide(area.bottom - area.top, scale);
    state.settings = settings;
    state.playsAmbient = k == 0;
    state.regions.clear();
    if (desktop.choice == MonitorChoice::Across && desktop.monitors.size() > 1) {
      // The monitors in the view's own pixels, from its top-left corner.
      for (const ScreenRect& m : desktop.monitors) {
        if (IsEmpty(m)) continue;
        const ScreenRect r = Shift(m, -area.left, -area.top);
        state.regions.push_back({r.left / scale, r.top / scale, r.right / scale, r.bottom / scale});
      }
    }
    SeedRandom(state.random, AnimationSeed(seed, k++));
    if (platform != nullptr) {
      SetUpAnimation(state, view->scene, *platform);
    } else {
      for (int32_t i = 0; i < settings.moleculeCount; ++i) ScaledRandom(state.random, kFrameCount);
      SetUpMolecules(state);
    }
  }
}

void StepDesktop(Desktop& desktop, PlaySoundFn playSound, void* soundContext) {
  for (auto& view : desktop.views) StepAnimation(view->state, view->scene, playSound, soundContext);
}

void RenderDesktop(Desktop& desktop, HeadlessView& picture) {
  for (auto& view : desktop.views) {
    picture.scale = view->state.scale;
    picture.left = view->area.left - desktop.bounds.left;
    picture.top = view->area.top - desktop.bounds.top;
    RenderScene(view->scene, HeadlessSink(picture));
  }
}
