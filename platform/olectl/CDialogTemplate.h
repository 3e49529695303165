// Dialog templates in the platform's binary forms: the classic template and
// the extended one (dialog version 1, signature 0xFFFF). Positions and sizes
// are in dialog units. Parse checks every length; a damaged template gives
// nullopt, never an over-read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

// Window and dialog styles used in templates.
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD DS_SETFONT = 0x00000040;
constexpr DWORD DS_MODALFRAME = 0x00000080;
constexpr DWORD SS_LEFT = 0x00000000;
constexpr DWORD SS_CENTER = 0x00000001;
constexpr DWORD SS_RIGHT = 0x00000002;
constexpr DWORD SS_ICON = 0x00000003;
constexpr DWORD SS_TYPEMASK = 0x0000001F;
constexpr DWORD BS_PUSHBUTTON = 0x00000000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x00000001;
constexpr DWORD BS_TYPEMASK = 0x0000000F;

// Predefined control classes (ordinals).
constexpr WORD DLGC_BUTTON = 0x0080;
constexpr WORD DLGC_EDIT = 0x0081;
constexpr WORD DLGC_STATIC = 0x0082;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDC_STATIC = -1;

class PX_EXPORT CDialogTemplate {
 public:
  // A name or an ordinal (menus, classes, titles).
  struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::u16string name;
    static NameOrOrdinal Name(std::u16string s) { return {false, 0, std::move(s)}; }
    static NameOrOrdinal Ordinal(WORD w) { return {true, w, {}}; }
    bool operator==(const NameOrOrdinal&) const = default;
  };
  struct Item {
    DWORD style = 0;
    DWORD exStyle = 0;
    DWORD helpID = 0;
    SHORT x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;  // IDC_STATIC for none
    NameOrOrdinal windowClass;
    NameOrOrdinal title;  // text, or an icon's resource ordinal
    std::vector<uint8_t> creationData;
    bool operator==(const Item&) const = default;
  };

  bool extended = false;
  DWORD style = 0;
  DWORD exStyle = 0;
  DWORD helpID = 0;
  SHORT x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  std::u16string caption;
  // Present when style has DS_SETFONT.
  WORD pointSize = 0;
  WORD weight = 0;      // extended only
  BYTE italic = 0;      // extended only
  BYTE charset = 0;     // extended only
  std::u16string typeface;
  std::vector<Item> items;

  std::vector<uint8_t> Build() const;
  static std::optional<CDialogTemplate> Parse(const std::vector<uint8_t>& data);

  bool operator==(const CDialogTemplate&) const = default;
};
