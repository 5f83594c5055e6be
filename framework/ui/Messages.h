// The message model of the controls: numbered messages with two parameters
// and a result, as the programs' code sends, posts and handles them by name.
// Window messages keep their customary numbers; the framework's own control
// notifications (CM_) and reflected messages (CN_) are numbered here.
#pragma once
#include <array>
#include <cstdint>

#include "Object.h"
#include "Sets.h"

namespace fw {

using Word = std::uint16_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct TMessage {
  unsigned Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;

  // Readers of the parameters as the key and mouse messages pack them.
  Word CharCode() const { return static_cast<Word>(WParam & 0xFFFF); }
  void SetCharCode(Word c) { WParam = c; }
  LPARAM KeyData() const { return LParam; }
  int XPos() const { return static_cast<std::int16_t>(LParam & 0xFFFF); }
  int YPos() const { return static_cast<std::int16_t>((LParam >> 16) & 0xFFFF); }
  unsigned Keys() const { return static_cast<unsigned>(WParam); }
  // WM_VSCROLL and WM_HSCROLL: the SB_ code, and the thumb's place for
  // SB_THUMBTRACK and SB_THUMBPOSITION (all the bits above the code, so that
  // a range beyond 65535 keeps its places).
  int ScrollCode() const { return static_cast<int>(WParam & 0xFFFF); }
  int ScrollPos() const { return static_cast<int>(static_cast<std::intptr_t>(WParam) >> 16); }
};

inline LPARAM MakeLParam(int lo, int hi) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(lo))) |
                             (static_cast<std::uint32_t>(static_cast<std::uint16_t>(hi)) << 16));
}

// ---------------------------------------------------------------- window messages

constexpr unsigned WM_NULL = 0x0000;
constexpr unsigned WM_CREATE = 0x0001;
constexpr unsigned WM_DESTROY = 0x0002;
constexpr unsigned WM_MOVE = 0x0003;
constexpr unsigned WM_SIZE = 0x0005;
constexpr unsigned WM_ACTIVATE = 0x0006;
constexpr unsigned WM_SETFOCUS = 0x0007;
constexpr unsigned WM_KILLFOCUS = 0x0008;
constexpr unsigned WM_ENABLE = 0x000A;
constexpr unsigned WM_SETTEXT = 0x000C;   // LParam: const char*, UTF-8, zero-terminated
constexpr unsigned WM_GETTEXTLENGTH = 0x000E;
constexpr unsigned WM_PAINT = 0x000F;
constexpr unsigned WM_CLOSE = 0x0010;
constexpr unsigned WM_ERASEBKGND = 0x0014;
constexpr unsigned WM_SHOWWINDOW = 0x0018;
constexpr unsigned WM_CANCELMODE = 0x001F;
constexpr unsigned WM_SETCURSOR = 0x0020;
constexpr unsigned WM_ACTIVATEAPP = 0x001C;  // WParam: 1 the program is activated, 0 it loses activation
constexpr unsigned WM_SETFONT = 0x0030;
constexpr unsigned WM_CONTEXTMENU = 0x007B;
constexpr unsigned WM_GETDLGCODE = 0x0087;
// A press on a window's scroll bar: WParam the hit code, LParam the screen point.
constexpr unsigned WM_NCLBUTTONDOWN = 0x00A1;
constexpr WPARAM HTHSCROLL = 6;
constexpr WPARAM HTVSCROLL = 7;
constexpr unsigned WM_KEYDOWN = 0x0100;
constexpr unsigned WM_KEYUP = 0x0101;
constexpr unsigned WM_CHAR = 0x0102;
constexpr unsigned WM_SYSKEYDOWN = 0x0104;
constexpr unsigned WM_SYSKEYUP = 0x0105;
constexpr unsigned WM_SYSCHAR = 0x0106;
constexpr unsigned WM_COMMAND = 0x0111;
constexpr unsigned WM_TIMER = 0x0113;
constexpr unsigned WM_HSCROLL = 0x0114;
constexpr unsigned WM_VSCROLL = 0x0115;
constexpr unsigned WM_MOUSEMOVE = 0x0200;
constexpr unsigned WM_LBUTTONDOWN = 0x0201;
constexpr unsigned WM_LBUTTONUP = 0x0202;
constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
constexpr unsigned WM_RBUTTONDOWN = 0x0204;
constexpr unsigned WM_RBUTTONUP = 0x0205;
constexpr unsigned WM_RBUTTONDBLCLK = 0x0206;
constexpr unsigned WM_MBUTTONDOWN = 0x0207;
constexpr unsigned WM_MBUTTONUP = 0x0208;
constexpr unsigned WM_MBUTTONDBLCLK = 0x0209;
constexpr unsigned WM_MOUSEWHEEL = 0x020A;
constexpr unsigned WM_CUT = 0x0300;
constexpr unsigned WM_COPY = 0x0301;
constexpr unsigned WM_PASTE = 0x0302;
constexpr unsigned WM_CLEAR = 0x0303;
constexpr unsigned WM_UNDO = 0x0304;
constexpr unsigned WM_USER = 0x0400;

constexpr unsigned WM_KEYFIRST = WM_KEYDOWN;
constexpr unsigned WM_KEYLAST = 0x0108;
constexpr unsigned WM_MOUSEFIRST = WM_MOUSEMOVE;
constexpr unsigned WM_MOUSELAST = WM_MOUSEWHEEL;

// Edit control messages
constexpr unsigned EM_GETSEL = 0x00B0;      // WParam, LParam: int* start, int* end (characters)
constexpr unsigned EM_SETSEL = 0x00B1;      // WParam start, LParam end; -1 start deselects, -1 end: to the end
constexpr unsigned EM_GETRECT = 0x00B2;     // LParam: TRect*
constexpr unsigned EM_SETRECT = 0x00B3;     // LParam: const TRect*
constexpr unsigned EM_SETRECTNP = 0x00B4;   // LParam: const TRect*
constexpr unsigned EM_SCROLLCARET = 0x00B7;
constexpr unsigned EM_GETMODIFY = 0x00B8;
constexpr unsigned EM_SETMODIFY = 0x00B9;
constexpr unsigned EM_GETLINECOUNT = 0x00BA;
constexpr unsigned EM_REPLACESEL = 0x00C2;  // LParam: const char*
constexpr unsigned EM_LIMITTEXT = 0x00C5;
constexpr unsigned EM_CANUNDO = 0x00C6;
constexpr unsigned EM_UNDO = 0x00C7;
constexpr unsigned EM_SETPASSWORDCHAR = 0x00CC;
constexpr unsigned EM_EMPTYUNDOBUFFER = 0x00CD;
constexpr unsigned EM_SETREADONLY = 0x00CF;

// List box messages
// WParam: the index to search after (-1: from the first), LParam: const char*
// prefix; selects the first item that begins with the prefix (without regard
// to case), wrapping past the end. Result: its index, or LB_ERR.
constexpr unsigned LB_SELECTSTRING = 0x018C;
constexpr LRESULT LB_ERR = -1;

// Scroll codes of WM_VSCROLL and WM_HSCROLL (low word of WParam; above it the
// position for SB_THUMBPOSITION and SB_THUMBTRACK: TMessage::ScrollPos)
constexpr int SB_LINEUP = 0;
constexpr int SB_LINELEFT = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_LINERIGHT = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGELEFT = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_PAGERIGHT = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_LEFT = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_RIGHT = 7;
constexpr int SB_ENDSCROLL = 8;
// Scroll bars of GetScrollRange
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;

// Dialog codes answered to WM_GETDLGCODE
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
constexpr LRESULT DLGC_HASSETSEL = 0x0008;
constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x0010;
constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x0020;
constexpr LRESULT DLGC_RADIOBUTTON = 0x0040;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;
constexpr LRESULT DLGC_STATIC = 0x0100;
constexpr LRESULT DLGC_BUTTON = 0x2000;

// Mouse key flags of the mouse messages (WParam)
constexpr unsigned MK_LBUTTON = 0x0001;
constexpr unsigned MK_RBUTTON = 0x0002;
constexpr unsigned MK_SHIFT = 0x0004;
constexpr unsigned MK_CONTROL = 0x0008;
constexpr unsigned MK_MBUTTON = 0x0010;

// Window and edit styles of TCreateParams
constexpr std::uint32_t WS_OVERLAPPED = 0x00000000;
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_DISABLED = 0x08000000;
constexpr std::uint32_t WS_CLIPSIBLINGS = 0x04000000;
constexpr std::uint32_t WS_CLIPCHILDREN = 0x02000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_BORDER = 0x00800000;
constexpr std::uint32_t WS_DLGFRAME = 0x00400000;
constexpr std::uint32_t WS_VSCROLL = 0x00200000;
constexpr std::uint32_t WS_HSCROLL = 0x00100000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
constexpr std::uint32_t WS_TABSTOP = 0x00010000;
constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000;
constexpr std::uint32_t WS_EX_DLGMODALFRAME = 0x00000001;
constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008;
constexpr std::uint32_t WS_EX_TOOLWINDOW = 0x00000080;
constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x00000200;
constexpr std::uint32_t ES_LEFT = 0x0000;
constexpr std::uint32_t ES_CENTER = 0x0001;
constexpr std::uint32_t ES_RIGHT = 0x0002;
constexpr std::uint32_t ES_MULTILINE = 0x0004;
constexpr std::uint32_t ES_UPPERCASE = 0x0008;
constexpr std::uint32_t ES_LOWERCASE = 0x0010;
constexpr std::uint32_t ES_PASSWORD = 0x0020;
constexpr std::uint32_t ES_AUTOVSCROLL = 0x0040;
constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;
constexpr std::uint32_t ES_NOHIDESEL = 0x0100;
constexpr std::uint32_t ES_READONLY = 0x0800;
constexpr std::uint32_t ES_WANTRETURN = 0x1000;

// ---------------------------------------------------------------- framework messages

// Notifications between controls: LParam of CM_FOCUSCHANGED is the control
// that received the focus, of CM_CANCELMODE the control that asks.
constexpr unsigned CM_BASE = 0xB000;
constexpr unsigned CM_ACTIVATE = CM_BASE + 0;
constexpr unsigned CM_DEACTIVATE = CM_BASE + 1;
constexpr unsigned CM_CANCELMODE = CM_BASE + 4;
constexpr unsigned CM_DIALOGKEY = CM_BASE + 5;
constexpr unsigned CM_DIALOGCHAR = CM_BASE + 6;
constexpr unsigned CM_FOCUSCHANGED = CM_BASE + 7;
constexpr unsigned CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr unsigned CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr unsigned CM_VISIBLECHANGED = CM_BASE + 11;
constexpr unsigned CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr unsigned CM_COLORCHANGED = CM_BASE + 13;
constexpr unsigned CM_FONTCHANGED = CM_BASE + 14;
constexpr unsigned CM_CURSORCHANGED = CM_BASE + 15;
constexpr unsigned CM_CTL3DCHANGED = CM_BASE + 16;
constexpr unsigned CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr unsigned CM_TEXTCHANGED = CM_BASE + 18;
constexpr unsigned CM_MOUSEENTER = CM_BASE + 19;
constexpr unsigned CM_MOUSELEAVE = CM_BASE + 20;
constexpr unsigned CM_BUTTONPRESSED = CM_BASE + 24;  // WParam: group index, LParam: the button
constexpr unsigned CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr unsigned CM_ENTER = CM_BASE + 26;
constexpr unsigned CM_EXIT = CM_BASE + 27;
constexpr unsigned CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr unsigned CM_RELEASE = CM_BASE + 33;
constexpr unsigned CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr unsigned CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr unsigned CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr unsigned CM_GETDATALINK = CM_BASE + 45;
constexpr unsigned CM_CHILDKEY = CM_BASE + 46;       // WParam: key, LParam: the control
constexpr unsigned CM_DRAG = CM_BASE + 47;           // WParam: TDragMessage, LParam: TDragRec*
constexpr unsigned CM_RECREATEWND = CM_BASE + 51;
constexpr unsigned CM_INVALIDATE = CM_BASE + 52;
constexpr unsigned CM_CONTROLCHANGE = CM_BASE + 54;  // WParam: the control, LParam: inserting

// Messages reflected to the control before the window acts on them
constexpr unsigned CN_BASE = 0xBC00;
constexpr unsigned CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr unsigned CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr unsigned CN_CHAR = CN_BASE + WM_CHAR;
constexpr unsigned CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr unsigned CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr unsigned CN_COMMAND = CN_BASE + WM_COMMAND;

// ---------------------------------------------------------------- keys

// Virtual-key codes
constexpr Word VK_LBUTTON = 0x01;
constexpr Word VK_RBUTTON = 0x02;
constexpr Word VK_CANCEL = 0x03;
constexpr Word VK_MBUTTON = 0x04;
constexpr Word VK_BACK = 0x08;
constexpr Word VK_TAB = 0x09;
constexpr Word VK_CLEAR = 0x0C;
constexpr Word VK_RETURN = 0x0D;
constexpr Word VK_SHIFT = 0x10;
constexpr Word VK_CONTROL = 0x11;
constexpr Word VK_MENU = 0x12;
constexpr Word VK_PAUSE = 0x13;
constexpr Word VK_CAPITAL = 0x14;
constexpr Word VK_ESCAPE = 0x1B;
constexpr Word VK_SPACE = 0x20;
constexpr Word VK_PRIOR = 0x21;
constexpr Word VK_NEXT = 0x22;
constexpr Word VK_END = 0x23;
constexpr Word VK_HOME = 0x24;
constexpr Word VK_LEFT = 0x25;
constexpr Word VK_UP = 0x26;
constexpr Word VK_RIGHT = 0x27;
constexpr Word VK_DOWN = 0x28;
constexpr Word VK_SELECT = 0x29;
constexpr Word VK_PRINT = 0x2A;
constexpr Word VK_EXECUTE = 0x2B;
constexpr Word VK_SNAPSHOT = 0x2C;
constexpr Word VK_INSERT = 0x2D;
constexpr Word VK_DELETE = 0x2E;
constexpr Word VK_HELP = 0x2F;
// '0'..'9' and 'A'..'Z' are their own codes
constexpr Word VK_LWIN = 0x5B;
constexpr Word VK_RWIN = 0x5C;
constexpr Word VK_APPS = 0x5D;
constexpr Word VK_NUMPAD0 = 0x60;  // keypad digits are 96 to 105
constexpr Word VK_NUMPAD9 = 0x69;
constexpr Word VK_MULTIPLY = 0x6A;
constexpr Word VK_ADD = 0x6B;
constexpr Word VK_SEPARATOR = 0x6C;
constexpr Word VK_SUBTRACT = 0x6D;
constexpr Word VK_DECIMAL = 0x6E;
constexpr Word VK_DIVIDE = 0x6F;
constexpr Word VK_F1 = 0x70;
constexpr Word VK_F2 = 0x71;
constexpr Word VK_F3 = 0x72;
constexpr Word VK_F4 = 0x73;
constexpr Word VK_F5 = 0x74;
constexpr Word VK_F6 = 0x75;
constexpr Word VK_F7 = 0x76;
constexpr Word VK_F8 = 0x77;
constexpr Word VK_F9 = 0x78;
constexpr Word VK_F10 = 0x79;
constexpr Word VK_F11 = 0x7A;
constexpr Word VK_F12 = 0x7B;
constexpr Word VK_NUMLOCK = 0x90;
constexpr Word VK_SCROLL = 0x91;
constexpr Word VK_OEM_1 = 0xBA;       // ;:
constexpr Word VK_OEM_PLUS = 0xBB;
constexpr Word VK_OEM_COMMA = 0xBC;
constexpr Word VK_OEM_MINUS = 0xBD;
constexpr Word VK_OEM_PERIOD = 0xBE;
constexpr Word VK_OEM_2 = 0xBF;       // /?
constexpr Word VK_OEM_3 = 0xC0;       // `~
constexpr Word VK_OEM_4 = 0xDB;       // [{
constexpr Word VK_OEM_5 = 0xDC;       // \|
constexpr Word VK_OEM_6 = 0xDD;       // ]}
constexpr Word VK_OEM_7 = 0xDE;       // '"

// Bit of a key message's KeyData: the Alt key was down.
constexpr LPARAM KF_ALTDOWN_BIT = LPARAM{1} << 29;
// Bit of a key message's KeyData: the key was down before (auto-repeat).
constexpr LPARAM KF_REPEAT_BIT = LPARAM{1} << 30;

FW_ENUM(TShiftStateItem, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble)
using TShiftState = TFlags<TShiftStateItem>;
FW_ENUM(TMouseButton, mbLeft, mbRight, mbMiddle)

// The state of a key or mouse button now, as the last input events left it:
// the high bit (a negative result) when it is down, bit 0 when it is toggled
// (Caps Lock, Num Lock). GetAsyncKeyState answers the same.
std::int16_t GetKeyState(int virtKey);
std::int16_t GetAsyncKeyState(int virtKey);
// Every key's state at once, a byte a key (0x80 down, 0x01 toggled), and a
// state put in its place: what GetKeyState answers from then on.
using TKeyboardState = std::array<std::uint8_t, 256>;
bool GetKeyboardState(TKeyboardState& State);
bool SetKeyboardState(const TKeyboardState& State);
// Shift state of a key message: Shift and Ctrl from the key state, Alt from
// the message's key data.
TShiftState KeyDataToShiftState(LPARAM keyData);
// Shift state of a mouse message's key flags.
TShiftState KeysToShiftState(unsigned keys);

}  // namespace fw
