// Tests of the configuration dialog: its compiled template, and the real dialog
// driven by messages, modeless for inspection and modal for the ways it closes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "animation/animation_globals_win32.h"
#include "animation/settings.h"
#include "animation/settings_win32.h"
#include "tests/win32/settings_profile_win32.h"

using namespace settings_test;

namespace {

// Reading the compiled template.

// A name-or-ordinal field of a dialog template.
struct NameOrOrdinal {
  bool isOrdinal = false;
  uint16_t ordinal = 0;
  std::string name;  // the templates here hold ASCII only
};

struct TemplateReader {
  const uint8_t* start;
  size_t size;
  size_t offset = 0;
  bool overrun = false;

  uint16_t Word() {
    if (offset + 2 > size) {
      overrun = true;
      return 0;
    }
    uint16_t value;
    std::memcpy(&value, start + offset, 2);
    offset += 2;
    return value;
  }
  uint32_t Dword() {
    const uint32_t low = Word();
    return low | (static_cast<uint32_t>(Word()) << 16);
  }
  std::string String() {
    std::string text;
    for (uint16_t c = Word(); c != 0 && !overrun; c = Word()) text += static_cast<char>(c);
    return text;
  }
  NameOrOrdinal Field() {
    NameOrOrdinal field;
    const uint16_t first = Word();
    if (first == 0xFFFF) {
      field.isOrdinal = true;
      field.ordinal = Word();
    } else {
      for (uint16_t c = first; c != 0 && !overrun; c = Word()) field.name += static_cast<char>(c);
    }
    return field;
  }
  void AlignToDword() { offset = (offset + 3) & ~size_t{3}; }
};

struct TemplateItem {
  uint32_t style;
  uint32_t exStyle;
  int16_t x, y, cx, cy;
  uint16_t id;
  NameOrOrdinal windowClass;
  NameOrOrdinal text;
  uint16_t extraBytes;
};

struct ExpectedItem {
  uint16_t id;
  uint16_t classOrdinal;  // 0x80 button, 0x82 static, 0x84 scroll bar, 0x85 combo box
  const char* text;       // nullptr: the ordinal 100 (the icon)
  uint32_t style;
  int16_t x, y, cx, cy;
};

// Driving the real dialog.

HWND CreateModelessDialog() {
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kConfigDialogId), nullptr,
                            ConfigDialogProc, 0);
}

void Scroll(HWND dialog, int barId, WORD code, int16_t thumb = 0) {
  SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(thumb)),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, barId)));
}

void ClickCheckBox(HWND dialog) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kSoundCheckBoxId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, kSoundCheckBoxId)));
}

std::string LabelText(HWND dialog, int labelId) {
  char text[32] = {};
  GetDlgItemTextA(dialog, labelId, text, sizeof text);
  return text;
}

// What a bar and its label show.
struct BarView {
  int minimum, maximum, position;
  std::string label;
};

BarView ViewBar(HWND dialog, int barId, int labelId) {
  BarView view{};
  GetScrollRange(GetDlgItem(dialog, barId), SB_CTL, &view.minimum, &view.maximum);
  view.position = GetScrollPos(GetDlgItem(dialog, barId), SB_CTL);
  view.label = LabelText(dialog, labelId);
  return view;
}

// Runs the dialog modally; `steps` runs inside its message loop, once the dialog
// is up, and must end with the way it closes. A dialog still open some seconds
// later is ended with -7 so that a fault fails the test instead of hanging it.
struct ModalRun {
  std::function<void(HWND)> steps;
  bool started = false;
  int ticksAfterSteps = 0;
};
ModalRun* currentRun = nullptr;

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = FindWindowA("#32770", "Configuration");
  if (dialog == nullptr || GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId()) {
    return;
  }
  if (!currentRun->started) {
    currentRun->started = true;
    currentRun->steps(dialog);
  } else if (++currentRun->ticksAfterSteps > 150) {
    EndDialog(dialog, -7);
  }
}

INT_PTR RunModal(std::function<void(HWND)> steps) {
  ModalRun run{std::move(steps)};
  currentRun = &run;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, DriveDialog);
  const INT_PTR result = DialogBoxParamA(
      GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kConfigDialogId), nullptr, ConfigDialogProc, 0);
  KillTimer(nullptr, timer);
  currentRun = nullptr;
  EXPECT_TRUE(run.started) << "the dialog never came up";
  return result;
}

// The ways the dialog closes, as a person gives them.
void PressOk(HWND dialog) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}
void PressEnter(HWND dialog) { PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 0); }
void PressEscape(HWND dialog) { PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0); }
void SendCancel(HWND dialog) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0); }
void ClickCloseBox(HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }
void SendClose(HWND dialog) { SendMessageA(dialog, WM_CLOSE, 0, 0); }

BOOL CALLBACK CollectVisibleWindow(HWND window, LPARAM found) {
  if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

struct Closing {
  const char* name;
  void (*close)(HWND);
};

class SettingsDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    UseTestModuleResources();
    RemoveProfile();
  }
  void TearDown() override { RemoveProfile(); }
};

// One modeless dialog for the tests that look at its controls, opened anew (its
// WM_INITDIALOG sent again) from the profile each test writes. Sharing it saves
// time: under Wine without a window manager, hiding or destroying a visible
// captioned window waits 2 s for a state change that never comes.
class SettingsDialogOpen : public SettingsDialog {
 protected:
  static void SetUpTestSuite() {
    UseTestModuleResources();
    dialog = CreateModelessDialog();
  }
  static void TearDownTestSuite() {
    DestroyWindow(dialog);
    dialog = nullptr;
  }
  void SetUp() override {
    SettingsDialog::SetUp();
    ASSERT_NE(nullptr, dialog);
  }
  // Opens the dialog on the profile `bytes` ("<no file>": none).
  static void OpenOn(const std::string& bytes) {
    if (bytes == "<no file>") {
      RemoveProfile();
    } else {
      WriteProfile(bytes);
    }
    TheSettings() = SaverSettings{-99, -99, -99};
    SendMessageA(dialog, WM_INITDIALOG, 0, 0);
  }
  static HWND dialog;
};
HWND SettingsDialogOpen::dialog = nullptr;

std::string Section(const std::string& lines) { return "[Brisel]\r\n" + lines; }

}  // namespace

TEST(SettingsDialogTemplate, CompiledTemplateHoldsTheDialogAndItsSeventeenControls) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kConfigDialogId), MAKEINTRESOURCEA(5));
  ASSERT_NE(nullptr, found) << "no dialog resource 2003";
  TemplateReader reader{static_cast<const uint8_t*>(LockResource(LoadResource(module, found))),
                        SizeofResource(module, found)};

  EXPECT_EQ(0x90C800C0u, reader.Dword()) << "dialog style";
  EXPECT_EQ(0u, reader.Dword()) << "dialog extended style";
  const uint16_t count = reader.Word();
  EXPECT_EQ(18, static_cast<int16_t>(reader.Word()));
  EXPECT_EQ(18, static_cast<int16_t>(reader.Word()));
  EXPECT_EQ(151, static_cast<int16_t>(reader.Word()));
  EXPECT_EQ(167, static_cast<int16_t>(reader.Word()));
  const NameOrOrdinal menu = reader.Field();
  const NameOrOrdinal dialogClass = reader.Field();
  EXPECT_TRUE(!menu.isOrdinal && menu.name.empty()) << "no menu";
  EXPECT_TRUE(!dialogClass.isOrdinal && dialogClass.name.empty()) << "the system's dialog class";
  EXPECT_EQ("Configuration", reader.String());
  EXPECT_EQ(9, reader.Word()) << "font size in points";
  EXPECT_EQ("Times New Roman", reader.String());

  const ExpectedItem expected[] = {
      {65535, 0x82, nullptr, 0x50000003, 17, 5, 18, 20},
      {65535, 0x82, "Brisel molecule", 0x50020000, 40, 5, 90, 8},
      {65535, 0x82, "Screen Saver (Freeware)", 0x50020000, 40, 13, 90, 8},
      {65535, 0x82, "Number of the molecules", 0x50020000, 35, 31, 89, 8},
      {104, 0x84, "", 0x50000000, 34, 39, 74, 8},
      {105, 0x82, "16 ", 0x50020000, 111, 39, 20, 8},
      {103, 0x80, "Sound", 0x50010002, 48, 51, 52, 10},
      {65535, 0x82, "Sound frequency (%)", 0x50020000, 35, 61, 94, 8},
      {108, 0x84, "", 0x50000000, 34, 69, 74, 8},
      {109, 0x82, "16 ", 0x50020000, 111, 69, 20, 8},
      {65535, 0x82, "Monitors", 0x50020000, 21, 81, 94, 8},
      {110, 0x85, "", 0x50210003, 20, 90, 111, 50},  // CBS_DROPDOWNLIST, WS_VSCROLL, WS_TABSTOP
      {65535, 0x82, "Ver. 2.0 (in English)", 0x50020000, 29, 105, 100, 8},
      {65535, 0x82, "*", 0x50020000, 29, 115, 100, 8},
      {65535, 0x82, "*", 0x50020000, 29, 123, 100, 8},
      {1, 0x80, "OK", 0x50010000, 61, 144, 32, 17},
      {65535, 0x82, "*", 0x50020000, 31, 133, 96, 8},
  };
  ASSERT_EQ(17, count);
  for (int i = 0; i < 17; ++i) {
    const ExpectedItem& want = expected[i];
    reader.AlignToDword();
    TemplateItem item{};
    item.style = reader.Dword();
    item.exStyle = reader.Dword();
    item.x = static_cast<int16_t>(reader.Word());
    item.y = static_cast<int16_t>(reader.Word());
    item.cx = static_cast<int16_t>(reader.Word());
    item.cy = static_cast<int16_t>(reader.Word());
    item.id = reader.Word();
    item.windowClass = reader.Field();
    item.text = reader.Field();
    item.extraBytes = reader.Word();
    ASSERT_FALSE(reader.overrun) << "template ends inside control " << i + 1;

    SCOPED_TRACE("control " + std::to_string(i + 1));
    EXPECT_EQ(want.style, item.style);
    EXPECT_EQ(0u, item.exStyle);
    EXPECT_EQ(want.x, item.x);
    EXPECT_EQ(want.y, item.y);
    EXPECT_EQ(want.cx, item.cx);
    EXPECT_EQ(want.cy, item.cy);
    EXPECT_EQ(want.id, item.id);
    EXPECT_TRUE(item.windowClass.isOrdinal);
    EXPECT_EQ(want.classOrdinal, item.windowClass.ordinal);
    EXPECT_EQ(0, item.extraBytes);
    if (want.text == nullptr) {
      EXPECT_TRUE(item.text.isOrdinal) << "the icon is named by number";
      EXPECT_EQ(100, item.text.ordinal);
    } else if (std::strcmp(want.text, "*") == 0) {
      EXPECT_FALSE(item.text.isOrdinal);
      EXPECT_FALSE(item.text.name.empty()) << "a line about the program";
    } else {
      EXPECT_FALSE(item.text.isOrdinal);
      EXPECT_EQ(want.text, item.text.name);
    }
  }
  EXPECT_LE(reader.offset, reader.size);
}

TEST_F(SettingsDialogOpen, OpeningShowsTheStoredSettings) {
  struct Case {
    const char* lines;
    UINT checked;
    int count, frequency;
    int monitors;  // the list's selection: 0 main, 1 each, 2 across
  };
  const Case cases[] = {
      {"SOUND_SW=1\r\nEVENT_FREQ=64\r\nSOUND_FREQ=1\r\nMonitors=main\r\n", BST_CHECKED, 64, 1, 0},
      {"SOUND_SW=0\r\nEVENT_FREQ=1\r\nSOUND_FREQ=100\r\nMonitors=ACROSS\r\n", BST_UNCHECKED, 1, 100, 2},
      {"EVENT_FREQ=65\r\nSOUND_FREQ=101\r\nMonitors=all\r\n", BST_UNCHECKED, 10, 2, 1},
      {"", BST_UNCHECKED, 10, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    OpenOn(Section(c.lines));
    EXPECT_EQ(c.checked, IsDlgButtonChecked(dialog, kSoundCheckBoxId));
    const BarView count = ViewBar(dialog, kMoleculeCountBarId, kMoleculeCountLabelId);
    EXPECT_EQ(1, count.minimum);
    EXPECT_EQ(64, count.maximum);
    EXPECT_EQ(c.count, count.position);
    EXPECT_EQ(std::to_string(c.count), count.label);
    const BarView frequency = ViewBar(dialog, kSoundFrequencyBarId, kSoundFrequencyLabelId);
    EXPECT_EQ(1, frequency.minimum);
    EXPECT_EQ(100, frequency.maximum);
    EXPECT_EQ(c.frequency, frequency.position);
    EXPECT_EQ(std::to_string(c.frequency), frequency.label);
    EXPECT_EQ(c.count, TheSettings().moleculeCount) << "loaded into the record";
    EXPECT_EQ(3, SendDlgItemMessageA(dialog, kMonitorsListId, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(c.monitors, SendDlgItemMessageA(dialog, kMonitorsListId, CB_GETCURSEL, 0, 0));
  }
  EXPECT_EQ(Section(cases[3].lines), ReadProfile()) << "opening writes nothing";
}

TEST_F(SettingsDialogOpen, ProcedureResults) {
  OpenOn("<no file>");
  EXPECT_EQ(0, ConfigDialogProc(dialog, WM_INITDIALOG, 0, 0));
  EXPECT_EQ(0, ConfigDialogProc(dialog, WM_COMMAND, kSoundCheckBoxId, 0));
  EXPECT_EQ(1, ConfigDialogProc(dialog, WM_COMMAND, 999, 0));
  EXPECT_EQ(1, ConfigDialogProc(dialog, WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED), 0));
  EXPECT_EQ(0, ConfigDialogProc(dialog, WM_HSCROLL, SB_ENDSCROLL,
                                reinterpret_cast<LPARAM>(GetDlgItem(dialog, 104))));
  EXPECT_EQ(0, ConfigDialogProc(dialog, WM_HSCROLL, SB_LINERIGHT, 0)) << "no bar: no crash";
  EXPECT_EQ(0, ConfigDialogProc(dialog, WM_PAINT + 0x300, 0, 0));
  EXPECT_EQ(1, ConfigDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0));
  EXPECT_EQ(1, ConfigDialogProc(dialog, WM_CLOSE, 0, 0));
  EXPECT_EQ("<no file>", ReadProfile()) << "nothing but OK writes";
}

// At the screen's DPI (the prefix's LogPixels): every control inside the dialog
// and clear of the others, and each choice of the list readable in full.
TEST_F(SettingsDialogOpen, ControlsFitAndDoNotOverlap) {
  OpenOn("<no file>");
  RECT client{}, shared{};
  GetClientRect(dialog, &client);
  std::vector<RECT> rects;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT r{};
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(UnionRect(&shared, &r, &client) && EqualRect(&shared, &client)) << GetDlgCtrlID(c) << " leaves";
    for (const RECT& other : rects) EXPECT_FALSE(IntersectRect(&shared, &r, &other)) << GetDlgCtrlID(c) << " overlaps";
    rects.push_back(r);
  }
  const HWND list = GetDlgItem(dialog, kMonitorsListId);
  const HDC dc = GetDC(list);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
  for (int i = 0; i < 3; ++i) {
    char text[64] = {};
    SIZE size{};
    const LRESULT length = SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    GetTextExtentPoint32A(dc, text, static_cast<int>(length), &size);
    GetClientRect(list, &client);
    EXPECT_LE(size.cx + 6, client.right - GetSystemMetrics(SM_CXVSCROLL)) << text;
  }
  ReleaseDC(list, dc);
}

TEST_F(SettingsDialogOpen, BarsStopAtTheirEndsAndFollowTheThumb) {
  OpenOn(Section("SOUND_SW=1\r\nEVENT_FREQ=63\r\nSOUND_FREQ=2\r\n"));
  const SaverSettings& settings = TheSettings();

  struct Step {
    int bar;
    WORD code;
    int16_t thumb;
    int count, frequency;  // the settings, and what the bars and labels show
  };
  const Step steps[] = {
      // Count bar: up to 64 by arrow and by trough, no further.
      {104, SB_LINERIGHT, 0, 64, 2},
      {104, SB_LINERIGHT, 0, 64, 2},
      {104, SB_PAGERIGHT, 0, 64, 2},
      {104, SB_PAGELEFT, 0, 63, 2},
      // Dragging its thumb: the label follows every position.
      {104, SB_THUMBTRACK, 30, 30, 2},
      {104, SB_THUMBTRACK, 2, 2, 2},
      {104, SB_THUMBPOSITION, 2, 2, 2},
      {104, SB_ENDSCROLL, 0, 2, 2},
      // Down to 1 and no further.
      {104, SB_LINELEFT, 0, 1, 2},
      {104, SB_LINELEFT, 0, 1, 2},
      {104, SB_PAGELEFT, 0, 1, 2},
      {104, SB_LEFT, 0, 1, 2},
      {104, SB_RIGHT, 0, 1, 2},
      // Frequency bar: down to 1, up to 100.
      {108, SB_LINELEFT, 0, 1, 1},
      {108, SB_LINELEFT, 0, 1, 1},
      {108, SB_PAGELEFT, 0, 1, 1},
      {108, SB_PAGERIGHT, 0, 1, 2},
      {108, SB_THUMBTRACK, 99, 1, 99},
      {108, SB_THUMBPOSITION, 99, 1, 99},
      {108, SB_ENDSCROLL, 0, 1, 99},
      {108, SB_LINERIGHT, 0, 1, 100},
      {108, SB_LINERIGHT, 0, 1, 100},
      {108, SB_PAGERIGHT, 0, 1, 100},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE("bar " + std::to_string(step.bar) + " code " + std::to_string(step.code));
    Scroll(dialog, step.bar, step.code, step.thumb);
    EXPECT_EQ(step.count, settings.moleculeCount);
    EXPECT_EQ(step.frequency, settings.soundFrequency);
    const BarView count = ViewBar(dialog, kMoleculeCountBarId, kMoleculeCountLabelId);
    EXPECT_EQ(step.count, count.position);
    EXPECT_EQ(std::to_string(step.count), count.label);
    const BarView frequency = ViewBar(dialog, kSoundFrequencyBarId, kSoundFrequencyLabelId);
    EXPECT_EQ(step.frequency, frequency.position);
    EXPECT_EQ(std::to_string(step.frequency), frequency.label);
  }
  EXPECT_EQ(1, settings.soundSwitch) << "scrolling leaves the sound switch";
}

TEST_F(SettingsDialog, CheckBoxTogglesStoredValuesOtherThanZeroAndOne) {
  struct Case {
    const char* stored;
    const char* afterOneClick;
    UINT checkedAfterOneClick;
  };
  const Case cases[] = {{"5", "0", BST_UNCHECKED}, {"-1", "1", BST_CHECKED}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("stored ") + c.stored);
    WriteProfile(Section(std::string("SOUND_SW=") + c.stored + "\r\n"));
    UINT checked = 99;
    const INT_PTR result = RunModal([&](HWND dialog) {
      ClickCheckBox(dialog);
      checked = IsDlgButtonChecked(dialog, kSoundCheckBoxId);
      PressOk(dialog);
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ(c.checkedAfterOneClick, checked);
    EXPECT_EQ(Section(std::string("SOUND_SW=") + c.afterOneClick +
                      "\r\nEVENT_FREQ=10\r\nSOUND_FREQ=2\r\nMonitors=each\r\n"),
              ReadProfile());
  }
}

TEST_F(SettingsDialog, OkWritesAllThreeKeysInOrderEvenWhenNothingChanged) {
  // No file: the defaults are written, keys in order.
  EXPECT_EQ(1, RunModal(PressOk));
  EXPECT_EQ("[Brisel]\r\nSOUND_SW=0\r\nEVENT_FREQ=10\r\nSOUND_FREQ=2\r\nMonitors=each\r\n", ReadProfile());

  // A stored switch of 5 goes back as 5; an out-of-bounds count goes back bounded.
  WriteProfile(Section("SOUND_SW=5\r\nEVENT_FREQ=65\r\n"));
  EXPECT_EQ(1, RunModal(PressEnter));
  EXPECT_EQ("[Brisel]\r\nSOUND_SW=5\r\nEVENT_FREQ=10\r\nSOUND_FREQ=2\r\nMonitors=each\r\n", ReadProfile());
}

TEST_F(SettingsDialog, OkWritesWhatWasChanged) {
  WriteProfile("[Other]\r\nKEEP=1\r\n" +
               Section("SOUND_SW=0\r\nEVENT_FREQ=10\r\nSOUND_FREQ=2\r\n"));
  const INT_PTR result = RunModal([&](HWND dialog) {
    ClickCheckBox(dialog);
    Scroll(dialog, kMoleculeCountBarId, SB_LINERIGHT);
    Scroll(dialog, kSoundFrequencyBarId, SB_THUMBTRACK, 42);
    Scroll(dialog, kSoundFrequencyBarId, SB_THUMBPOSITION, 42);
    Scroll(dialog, kSoundFrequencyBarId, SB_ENDSCROLL);
    // A choice in the list, as a click on its third item makes it.
    SendDlgItemMessageA(dialog, kMonitorsListId, CB_SETCURSEL, 2, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kMonitorsListId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, kMonitorsListId)));
    PressEnter(dialog);
  });
  EXPECT_EQ(1, result);
  EXPECT_EQ("[Other]\r\nKEEP=1\r\n" +
                Section("SOUND_SW=1\r\nEVENT_FREQ=11\r\nSOUND_FREQ=42\r\nMonitors=across\r\n"),
            ReadProfile());
}

TEST_F(SettingsDialog, OkKeepsEachMonitorsChoiceMadeInTheListAndReopensOnIt) {
  // Opened again after each OK, from no file (each): every choice, and main from each and across.
  // Arrow keys on the closed list move its selection, as a person chooses; Enter is OK.
  const char* names[] = {"main", "each", "across"};
  int from = 1;
  for (int to : {0, 2, 0, 1}) {
    SCOPED_TRACE(std::string(names[from]) + " to " + names[to]);
    EXPECT_EQ(1, RunModal([&](HWND dialog) {
                for (int at = from; at != to; at += to > from ? 1 : -1) {
                  PostMessageA(GetDlgItem(dialog, kMonitorsListId), WM_KEYDOWN,
                               to > from ? VK_DOWN : VK_UP, 0);
                }
                PressEnter(dialog);
              }));
    EXPECT_EQ(Section(std::string("SOUND_SW=0\r\nEVENT_FREQ=10\r\nSOUND_FREQ=2\r\nMonitors=") +
                      names[to] + "\r\n"),
              ReadProfile());
    from = to;
  }
}

TEST_F(SettingsDialog, EscapeAndCloseBoxWriteNothingAndEndWithOne) {
  const Closing closings[] = {{"Esc key", PressEscape},
                              {"cancel command", SendCancel},
                              {"close box", ClickCloseBox},
                              {"WM_CLOSE", SendClose}};
  const std::string stored = Section("SOUND_SW=5\r\nEVENT_FREQ=20\r\n");
  for (const Closing& closing : closings) {
    SCOPED_TRACE(closing.name);
    WriteProfile(stored);
    const INT_PTR result = RunModal([&](HWND dialog) {
      ClickCheckBox(dialog);
      Scroll(dialog, kMoleculeCountBarId, SB_LINELEFT);
      Scroll(dialog, kSoundFrequencyBarId, SB_LINERIGHT);
      closing.close(dialog);
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ(stored, ReadProfile());
    // The changes stay in the record until the process ends.
    EXPECT_EQ(0, TheSettings().soundSwitch);
    EXPECT_EQ(19, TheSettings().moleculeCount);
    EXPECT_EQ(3, TheSettings().soundFrequency);
  }
}

TEST_F(SettingsDialog, ReadOnlyFileEndsTheDialogAsUsualAndKeepsTheFile) {
  const std::string stored =
      "[Other]\r\nKEEP=1\r\n" + Section("SOUND_SW=1\r\nEVENT_FREQ=7\r\nSOUND_FREQ=9\r\n");
  WriteProfile(stored);
  INT_PTR result = 0;
  std::vector<HWND> otherWindows;
  {
    const ReadOnlyProfile readOnly;
    ASSERT_TRUE(ReadOnlyProfile::RefusesWriting());
    result = RunModal([&](HWND dialog) {
      Scroll(dialog, kMoleculeCountBarId, SB_LINERIGHT);
      PressOk(dialog);
    });
    // Anything else the thread shows (a message box) would still be open now.
    EnumThreadWindows(GetCurrentThreadId(), CollectVisibleWindow,
                      reinterpret_cast<LPARAM>(&otherWindows));
  }
  EXPECT_EQ(1, result);
  EXPECT_TRUE(otherWindows.empty()) << "no message";
  EXPECT_EQ(stored, ReadProfile());
  EXPECT_EQ(8, TheSettings().moleculeCount) << "the record keeps the change";
  EXPECT_EQ(1, TheSettings().soundSwitch);
  EXPECT_EQ(9, TheSettings().soundFrequency);
}
