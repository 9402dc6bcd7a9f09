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

// Called by the animation on every tick: one frame, whose rectangles are put on
// the window's client area with the scene's palette selected and realized, each
// back-buffer pixel as `scale` x `scale` screen pixels (nearest neighbour), the
// back buffer's top-left pixel at (left, top) of the client area (a window that
// spans several monitors shows one scene per monitor).
void RenderScene(SpriteScene& scene, HWND window, int32_t scale = 1, int32_t left = 0, int32_t top = 0);

// Gives back the platform objects of a scene (the section, its memory context,
// the palette) and leaves the scene empty. The saver never calls it: its one
// scene lasts until the process ends. Tests do.
void ReleaseScene(SpriteScene& scene);
