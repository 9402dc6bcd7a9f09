// The settings in the profile file "CONTROL.INI" and the configuration dialog 2003.
#include "animation/settings_win32.h"

#include "animation/animation_globals_win32.h"
#include "animation/settings.h"
#include "shell/shell_state_win32.h"

namespace {

constexpr const char* kProfileFile = "CONTROL.INI";
constexpr UINT kApplicationNameId = 1007;  // string resource: the profile section's name
constexpr int kApplicationNameLimit = 60;  // characters read, terminating zero included
constexpr const char* kMonitorsKey = "Monitors";  // the monitors' choice, beside the three settings

// The section name is read anew for every load and save. A buffer left empty by
// a missing string stays a valid (empty) name rather than stack garbage.
struct ApplicationName {
  char text[64] = {};
  ApplicationName() {
    LoadStringA(TheShellState().instance, kApplicationNameId, text, kApplicationNameLimit);
  }
};

// Shows the thumb and label of one bar at `value`.
void ShowBarValue(HWND dialog, HWND bar, int labelId, int32_t value) {
  SetScrollPos(bar, SB_CTL, value, TRUE);
  SetDlgItemInt(dialog, labelId, static_cast<UINT>(value), FALSE);
}

// The drop-down list's items, in MonitorChoice order.
constexpr const char* kMonitorChoiceTexts[] = {"The main monitor only", "Each monitor its own flock",
                                               "One flock across all monitors"};

void InitializeDialog(HWND dialog) {
  LoadSettings();
  // WM_INITDIALOG may come again on an open dialog: the list is filled anew.
  const HWND list = GetDlgItem(dialog, kMonitorsListId);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  for (const char* text : kMonitorChoiceTexts) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(TheMonitorChoice()), 0);
  const SaverSettings& settings = TheSettings();
  CheckDlgButton(dialog, kSoundCheckBoxId, static_cast<UINT>(settings.soundSwitch));

  HWND countBar = GetDlgItem(dialog, kMoleculeCountBarId);
  SetScrollRange(countBar, SB_CTL, kMinMoleculeCount, kMaxMoleculeCount, FALSE);
  ShowBarValue(dialog, countBar, kMoleculeCountLabelId, settings.moleculeCount);

  HWND frequencyBar = GetDlgItem(dialog, kSoundFrequencyBarId);
  SetScrollRange(frequencyBar, SB_CTL, kMinSoundFrequency, kMaxSoundFrequency, FALSE);
  ShowBarValue(dialog, frequencyBar, kSoundFrequencyLabelId, settings.soundFrequency);
}

void ScrollBar(HWND dialog, HWND bar, WPARAM wParam) {
  // GetDlgCtrlID rather than GetWindowWord(bar, -12): the latter gives 0 on some
  // platforms (Wine among them), which would send every scroll to the wrong bar.
  const ScrollOutcome outcome = ScrollSetting(TheSettings(), GetDlgCtrlID(bar),
                                              LOWORD(wParam), static_cast<int16_t>(HIWORD(wParam)));
  ShowBarValue(dialog, bar, outcome.labelId, outcome.value);
}

}  // namespace

void LoadSettings() {
  const ApplicationName name;
  ReadSettings(TheSettings(), [&](const char* key, int32_t defaultValue) {
    return static_cast<int32_t>(GetPrivateProfileIntA(name.text, key, defaultValue, kProfileFile));
  });
  TheMonitorChoice() = LoadMonitorChoice();
}

MonitorChoice LoadMonitorChoice() {
  const ApplicationName name;
  char text[16] = {};
  GetPrivateProfileStringA(name.text, kMonitorsKey, "", text, sizeof text, kProfileFile);
  MonitorChoice choice = kDefaultMonitorChoice;
  ParseMonitorChoice(text, choice);
  return choice;
}

void SaveSettings() {
  const ApplicationName name;
  WriteSettings(TheSettings(), [&](const char* key, const char* text) {
    WritePrivateProfileStringA(name.text, key, text, kProfileFile);
  });
  WritePrivateProfileStringA(name.text, kMonitorsKey, MonitorChoiceName(TheMonitorChoice()), kProfileFile);
}

int PrepareDialogClasses(HINSTANCE) { return 1; }

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      // 0: the focus stays where it is; the dialog manager sets none.
      InitializeDialog(dialog);
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          SaveSettings();
          EndDialog(dialog, 1);
          return 1;
        case IDCANCEL:
          EndDialog(dialog, 1);
          return 1;
        case kMonitorsListId:
          // A choice made in the list; an edit that chose nothing keeps the setting.
          if (HIWORD(wParam) == CBN_SELCHANGE) {
            const LRESULT chosen = SendDlgItemMessageA(dialog, kMonitorsListId, CB_GETCURSEL, 0, 0);
            if (chosen >= 0 && chosen < 3) TheMonitorChoice() = static_cast<MonitorChoice>(chosen);
          }
          return 0;
        case kSoundCheckBoxId:
          CheckDlgButton(dialog, kSoundCheckBoxId,
                         static_cast<UINT>(ToggleSoundSwitch(TheSettings())));
          return 0;
        default:
          return 1;
      }
    case WM_HSCROLL:
      ScrollBar(dialog, reinterpret_cast<HWND>(lParam), wParam);
      return 0;
    case WM_CLOSE:
      EndDialog(dialog, 1);
      return 1;
    default:
      return 0;
  }
}
