// The monitors the saver shows on and how the animation spreads over them.
#include "animation/desktop.h"

#include <algorithm>
#include <cstring>

#include "sprites/present_scale.h"

namespace {

constexpr const char* kChoiceNames[] = {"main", "each", "across"};

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

namespace {

int64_t CountPixels(const ScreenRect& r) { return IsEmpty(r) ? 0 : int64_t{r.right - r.left} * (r.bottom - r.top); }

bool Overlap(const ScreenRect& a, const ScreenRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Whether monitor i is shown by another: each, one it shares pixels with (a
// clone, mirrored or at one origin); across, one that holds it whole. The other
// is the larger one, or the earlier of two of one size.
bool IsShownByAnother(const std::vector<ScreenRect>& monitors, size_t i, bool wholly) {
  const ScreenRect& m = monitors[i];
  for (size_t j = 0; j < monitors.size(); ++j) {
    const ScreenRect& other = monitors[j];
    if (j == i || IsEmpty(other) || !(wholly ? IsInside(m, other) : Overlap(m, other))) continue;
    if (CountPixels(other) > CountPixels(m) || (CountPixels(other) == CountPixels(m) && j < i)) return true;
  }
  return false;
}

// View `view`'s picture of its animation, width x height animation pixels, its
// sprites as SetUpAnimation leaves them: the sprites' first patterns are the
// draws `patterns` replays (made before the molecules' draws; the first tick
// replaces them, but they keep their place in the random sequence).
void SetUpPicture(DesktopView& view, RandomSource patterns, const ScenePlatform& platform, int32_t width,
                  int32_t height) {
  const AnimationState& state = *view.state;
  SetUpAnimationScene(state, view.scene, platform, width, height);
  for (int32_t i = 0; i < state.settings.moleculeCount; ++i) {
    SetSpritePattern(view.scene, i, ScaledRandom(patterns, kFrameCount));
    SetSpriteCentre(view.scene, i, state.width / 2 - view.offsetX, state.height / 2 - view.offsetY);
  }
}

}  // namespace

void PlanDesktop(Desktop& desktop, MonitorChoice choice, const std::vector<ScreenRect>& monitors) {
  ReleaseDesktop(desktop, nullptr);
  desktop.choice = choice;
  desktop.monitors = monitors;
  desktop.bounds = FindDesktopBounds(monitors);
  auto add = [&](ScreenRect area) {
    auto view = std::make_unique<DesktopView>();
    view->area = area;
    desktop.views.push_back(std::move(view));
  };
  if (choice != MonitorChoice::Main) {
    for (size_t i = 0; i < monitors.size(); ++i) {
      if (!IsEmpty(monitors[i]) && !IsShownByAnother(monitors, i, choice == MonitorChoice::Across)) add(monitors[i]);
    }
  }
  if (desktop.views.empty()) add(monitors.empty() ? ScreenRect{} : monitors.front());
}

void SetUpDesktop(Desktop& desktop, const SaverSettings& settings, uint32_t seed, const ScenePlatform* platform) {
  desktop.animations.clear();
  const bool across = desktop.choice == MonitorChoice::Across;
  RandomSource patterns{};
  for (auto& view : desktop.views) {
    // Across, one flock over the bounds at the first view's scale; else one
    // animation on each view's area.
    const ScreenRect& origin = across ? desktop.bounds : view->area;
    if (!across || desktop.animations.empty()) {
      auto state = std::make_unique<AnimationState>();
      const int32_t scale = std::clamp(view->scale, kMinPresentScale, kMaxPresentScale);
      state->scale = scale;
      state->width = AnimationSide(origin.right - origin.left, scale);
      state->height = AnimationSide(origin.bottom - origin.top, scale);
      state->playsAmbient = desktop.animations.empty();
      state->settings = settings;
      if (across && desktop.monitors.size() > 1) {
        // The monitors in the animation's own pixels, from the bounds' top-left corner.
        for (const ScreenRect& m : desktop.monitors) {
          if (IsEmpty(m)) continue;
          const ScreenRect r = Shift(m, -origin.left, -origin.top);
          state->regions.push_back({r.left / scale, r.top / scale, r.right / scale, r.bottom / scale});
        }
      }
      SeedRandom(state->random, AnimationSeed(seed, static_cast<int32_t>(desktop.animations.size())));
      patterns = state->random;
      for (int32_t i = 0; i < settings.moleculeCount; ++i) ScaledRandom(state->random, kFrameCount);
      SetUpMolecules(*state);
      desktop.animations.push_back(std::move(state));
    }
    AnimationState& state = *desktop.animations.back();
    const int32_t scale = view->scale = state.scale;
    // The animation pixels the view's area touches, whole ones, so that a
    // monitor whose corner is not on the scale's grid still shows every pixel
    // where the bounds' picture has it.
    ScreenRect& area = view->area;
    const int32_t left = (area.left - origin.left) / scale, top = (area.top - origin.top) / scale;
    const int32_t right = std::min((area.right - origin.left + scale - 1) / scale, state.width);
    const int32_t bottom = std::min((area.bottom - origin.top + scale - 1) / scale, state.height);
    area.left = origin.left + left * scale;
    area.top = origin.top + top * scale;
    view->state = &state;
    view->offsetX = left;
    view->offsetY = top;
    if (platform != nullptr) {
      SetUpPicture(*view, patterns, *platform, std::max(right - left, 0), std::max(bottom - top, 0));
    }
  }
}

void StepDesktop(Desktop& desktop, PlaySoundFn playSound, void* soundContext) {
  for (auto& state : desktop.animations) StepMolecules(*state, playSound, soundContext);
  for (auto& view : desktop.views) {
    if (view->state == nullptr) continue;
    // A sprite wholly beyond this picture (across: over another monitor) is
    // hidden here, so that it costs this picture nothing; its old place is still
    // put once as it leaves; its pattern and place wait until it shows here again.
    SpriteScene& scene = view->scene;
    constexpr int32_t kHalf = kSpriteSide / 2;
    int32_t i = 0;
    for (const Molecule& m : view->state->molecules) {
      const int32_t x = m.x / 16 - view->offsetX, y = m.y / 16 - view->offsetY;
      const bool shown = x + kHalf > 0 && x - kHalf < scene.width && y + kHalf > 0 && y - kHalf < scene.height;
      if (shown) {
        SetSpritePattern(scene, i, m.frame);
        SetSpriteCentre(scene, i, x, y);
      }
      SetSpriteVisible(scene, i++, shown ? 1 : 0);
    }
  }
}

void PresentDesktop(Desktop& desktop, const DesktopSink& sink) {
  for (auto& view : desktop.views) PresentPicture(view->scene, view->area.left, view->area.top, view->scale, sink);
}

void ReleaseDesktop(Desktop& desktop, void (*release)(SpriteScene& scene)) {
  for (auto& view : desktop.views) {
    if (release != nullptr) release(view->scene);
  }
  for (auto& state : desktop.animations) FreeMolecules(*state);
  desktop.views.clear();
  desktop.animations.clear();
}
