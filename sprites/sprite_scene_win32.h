// The sprite scene on a Win32 window: its back buffer as a DIB section, its
// identity palette, and each frame's rectangles put on the window.
#pragma once

#include <windows.h>

#include "sprites/sprite_scene.h"

// The platform services of a scene drawn on `window`: named bitmaps from files and
// resources, the system's static colours, a DIB section in a memory context
// cleared with PatBlt, and the identity palette. The window must outlive the call
// to CreateScene.
ScenePlatform Win32ScenePlatform(HWND window);

// Called by the animation when its window is created: the scene for `window` with
// a back buffer of width x height (the client area), pattern image i loaded from
// "SPPAT_R<i>". Does nothing when the scene already exists.
void CreateScene(SpriteScene& scene, HWND window, int32_t spriteCount, int32_t patternCount,
                 int32_t patternImageCount, int32_t width, int32_t height);

// A window as the target of a desktop's pictures: the context it draws in while
// a picture's rectangles are put.
struct WindowTarget {
  HWND window = nullptr;
  HDC dc = nullptr;
};

// The sink the animation presents its desktop into on every tick, the target's
// client area's top-left pixel at (originX, originY) of the desktop: each
// picture's rectangles are put on the window with its scene's palette selected
// and realized, each back-buffer pixel as the picture's scale x scale screen
// pixels (nearest neighbour). `target` must outlive the sink's use.
DesktopSink MakeWindowSink(WindowTarget& target, int32_t originX, int32_t originY);

// One frame of `scene` at the client area's top-left corner, at scale 1.
void RenderScene(SpriteScene& scene, HWND window);

// Gives back the platform objects of a scene (the section, its memory context,
// the palette) and leaves the scene empty. The saver never calls it: its one
// scene lasts until its window goes.
void ReleaseScene(SpriteScene& scene);
