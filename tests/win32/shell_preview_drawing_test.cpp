// What the preview draws, read back in-process: a saver running across processes
// draws nowhere a screenshot can see under Wine, so the chain runs here instead.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "shell/shell_main_win32.h"
#include "shell/shell_state_win32.h"
#include "tests/support/pixels_win32.h"

namespace {

using test_support::ColourCensus;
using test_support::CountColours;
using test_support::PumpFor;
using test_support::ReadPixels;

class PreviewDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    TheShellState() = ShellState{};
    TheShellState().instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "PreviewDrawingParent";
    RegisterClassA(&windowClass);
    parent = CreateWindowExA(WS_EX_TOPMOST, "PreviewDrawingParent", "", WS_POPUP | WS_VISIBLE, 20, 20, 152, 112,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    TheShellState().previewMode = true;
    saver = CreateSaverWindow(PreviewShape(parent));
  }
  void TearDown() override {
    DestroyWindow(parent);
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    UnregisterClassA(kSaverClassName, GetModuleHandleA(nullptr));
    UnregisterClassA("PreviewDrawingParent", GetModuleHandleA(nullptr));
    TheShellState() = ShellState{};
  }
  HWND parent = nullptr;
  HWND saver = nullptr;
};

}  // namespace

TEST_F(PreviewDrawing, ChildStartsBlack) {
  ASSERT_NE(nullptr, saver);
  PumpFor(30);
  const ColourCensus census = CountColours(ReadPixels(saver, 152, 112));
  EXPECT_GT(census.black, 152 * 112 / 2) << "the preview is not black where nothing is drawn";
}

TEST_F(PreviewDrawing, MoleculesAppearAndMoveInThePreview) {
  ASSERT_NE(nullptr, saver);
  PumpFor(400);
  const std::vector<uint32_t> first = ReadPixels(saver, 152, 112);
  PumpFor(200);
  const std::vector<uint32_t> second = ReadPixels(saver, 152, 112);
  const ColourCensus census = CountColours(first);
  EXPECT_GT(census.red, 20) << "no red atoms in the preview";
  EXPECT_GT(census.green, 20) << "no green atoms in the preview";
  EXPECT_GT(census.black, 152 * 112 / 4) << "the preview's background is not black";
  EXPECT_NE(first, second) << "the molecules do not move";
}
